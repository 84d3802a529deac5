// The folder picker: a tree of folders and an editable path that completes folder names as
// they are typed. OK checks the typed path (CheckFolder) and offers to create a missing
// folder with its parents; the dialog only closes on a folder that exists.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>
#include <memory>

class QFileSystemModel;

namespace Ui {
class FolderPickerView;
}

namespace rvc::ui {

class FolderPickerView : public QDialog {
  Q_OBJECT
 public:
  FolderPickerView(const QString& title, const QString& startFolder, QWidget* parent = nullptr);
  ~FolderPickerView() override;

  // The folder chosen, after the dialog was accepted.
  QString Folder() const { return folder_; }

  void accept() override;

 private:
  // Makes `path` the current folder of the tree and follows it into view while the
  // folders around it are read.
  void ShowInTree(const QString& path);
  void Reveal();

  std::unique_ptr<Ui::FolderPickerView> ui_;
  QFileSystemModel* folders_;
  QString folder_;
  QString shown_;           // the folder the tree shows as current
  bool following_ = false;  // brought back into view until the operator moves in the tree
  bool revealing_ = false;  // the tree's current folder is being set from the path
  QTimer reveal_;
};

}  // namespace rvc::ui
