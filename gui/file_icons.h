// Icons and type names of the file views (folder picker, file-open dialog, their
// completers), decided by the kind of entry alone: folder, file, link or the root.
//
// Qt's own providers ask the MIME database, which reads a file's first bytes when its
// name does not tell its type. Under /proc, /sys or /dev such a read can block for good
// (/proc/kmsg waits for the next kernel message), and the model's gatherer thread then
// holds up the dialog that waits for it. This provider never opens a file.
#pragma once

#include <QAbstractFileIconProvider>
#include <QIcon>

namespace rvc::ui {

class CTypeOnlyIconProvider : public QAbstractFileIconProvider {
 public:
  CTypeOnlyIconProvider();

  QIcon icon(IconType type) const override;
  QIcon icon(const QFileInfo& info) const override;
  QString type(const QFileInfo& info) const override;

 private:
  QIcon folder_;
  QIcon file_;
  QIcon folderLink_;
  QIcon fileLink_;
  QIcon drive_;
};

// The provider every file view of the program uses; made on first use, in the GUI thread.
QAbstractFileIconProvider* FileIcons();

}  // namespace rvc::ui
