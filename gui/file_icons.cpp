#include "gui/file_icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

namespace rvc::ui {

// The icons are made here, in the GUI thread; the models' gatherer threads only copy them.
CTypeOnlyIconProvider::CTypeOnlyIconProvider()
    : folder_(QApplication::style()->standardIcon(QStyle::SP_DirIcon)),
      file_(QApplication::style()->standardIcon(QStyle::SP_FileIcon)),
      folderLink_(QApplication::style()->standardIcon(QStyle::SP_DirLinkIcon)),
      fileLink_(QApplication::style()->standardIcon(QStyle::SP_FileLinkIcon)),
      drive_(QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon)) {}

QIcon CTypeOnlyIconProvider::icon(IconType type) const {
  switch (type) {
    case Computer:
    case Drive:
    case Network:
      return drive_;
    case Folder:
      return folder_;
    case Desktop:
    case Trashcan:
    case File:
      break;
  }
  return file_;
}

// QFileInfo answers from the entry's status (stat, lstat), never from its contents.
QIcon CTypeOnlyIconProvider::icon(const QFileInfo& info) const {
  if (info.isRoot()) return drive_;
  if (info.isSymLink()) return info.isDir() ? folderLink_ : fileLink_;
  return info.isDir() ? folder_ : file_;
}

QString CTypeOnlyIconProvider::type(const QFileInfo& info) const {
  if (info.isRoot()) return QStringLiteral("Drive");
  if (info.isSymLink()) return info.isDir() ? QStringLiteral("Folder link") : QStringLiteral("File link");
  return info.isDir() ? QStringLiteral("Folder") : QStringLiteral("File");
}

QAbstractFileIconProvider* FileIcons() {
  // Kept to the end of the process: file dialogs may still be closing when statics go.
  static auto* provider = new CTypeOnlyIconProvider;
  return provider;
}

}  // namespace rvc::ui
