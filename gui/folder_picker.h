// The folder picker: a tree of folders and an editable path that completes folder names as
// they are typed. OK checks the typed path (CheckFolder) and offers to create a missing
// folder with its parents; the dialog only closes on a folder that exists.
#pragma once

#include <QDialog>
#include <QString>
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
  void ShowInTree(const QString& path);

  std::unique_ptr<Ui::FolderPickerView> ui_;
  QFileSystemModel* folders_;
  QString folder_;
};

}  // namespace rvc::ui
