// The folder picker and the file-open dialog on the offscreen platform: they list folders
// without opening the files in them, the picker shows its start folder and highlights the
// typed one, and the file-open dialog starts where the caller asks or, once a file was
// chosen, where that file was, and takes only files that can be read without waiting.
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/gui/qt_test_support.h"
#include "gui/qt_user_interface.h"

namespace rvc::ui {
namespace {

using test::ModalDriver;

// The names of the entries of one folder that anything opened while it lives.
class OpenedFiles {
 public:
  explicit OpenedFiles(const std::string& folder) : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    inotify_add_watch(fd_, folder.c_str(), IN_OPEN);
  }
  ~OpenedFiles() { ::close(fd_); }

  std::set<QString> Names() {
    alignas(inotify_event) char buffer[4096];
    for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0) names_.insert(QString::fromUtf8(event->name));
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return names_;
  }

 private:
  int fd_;
  std::set<QString> names_;
};

template <typename T>
T* Find(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  if (child == nullptr) qFatal("no widget %s", name);
  return child;
}

void Click(QWidget* dialog, QDialogButtonBox::StandardButton which) {
  Find<QDialogButtonBox>(dialog, "buttonBox")->button(which)->click();
}

// Has every file-system model of `dialog` list `folder`, and waits until each has.
void ListInEveryModel(QWidget* dialog, const QString& folder) {
  const QList<QFileSystemModel*> models = dialog->findChildren<QFileSystemModel*>();
  QVERIFY(!models.isEmpty());
  for (QFileSystemModel* model : models) {
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    model->fetchMore(model->index(folder));
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(loaded.begin(), loaded.end(),
                                         [&](const QList<QVariant>& args) { return args[0].toString() == folder; }),
                             15000);
  }
}

class FileViewsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { driver_ = std::make_unique<ModalDriver>(); }

  void cleanup() {
    const QStringList unexpected = driver_->unexpected;
    const bool allHandled = driver_->AllHandled();
    driver_.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
    QVERIFY(allHandled);
  }

  // A file whose name does not tell its type, and a pipe that would block whoever opens it
  // (as /proc/kmsg blocks a reader): neither is opened by the views that list them.
  void fileViewsNeverOpenTheFilesTheyList() {
    test::TempDir dir;
    const std::string probe = dir / "probe";
    std::filesystem::create_directories(probe + "/sub");
    test::WriteFile(probe + "/kmsg", "%!PS-Adobe-3.0\n");
    QCOMPARE(::mkfifo((probe + "/fifo").c_str(), 0600), 0);
    OpenedFiles opened(probe);

    driver_->Expect("FolderPickerView", [&](QWidget* picker) {
      ListInEveryModel(picker, QString::fromStdString(probe));
      Click(picker, QDialogButtonBox::Cancel);
    });
    qt_.BrowseForFolder("Select DATA folder - Ravlin Tiff", dir.Path());

    driver_->Expect("OpenFileDialog", [&](QWidget* files) {
      ListInEveryModel(files, QString::fromStdString(probe));
      static_cast<QDialog*>(files)->reject();
    });
    qt_.OpenFile({"Select a PPD file", dir.Path(), {{"Ppd files", "*.PPD"}}});

    QCOMPARE(opened.Names(), std::set<QString>{});
  }

  void folderPickerShowsItsStartFolderAndHighlightsOneRow() {
    test::TempDir dir;
    for (int i = 0; i < 80; ++i) std::filesystem::create_directories(dir / QString::asprintf("f%02d", i).toStdString());
    const QString start = QString::fromStdString(dir / "f70");
    driver_->Expect("FolderPickerView", [&](QWidget* picker) {
      auto* tree = Find<QTreeView>(picker, "folderTree");
      auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
      QTRY_COMPARE_WITH_TIMEOUT(folders->filePath(tree->currentIndex()), start, 15000);
      // On the screen once the folders around it have been read.
      QTRY_VERIFY_WITH_TIMEOUT(folders->rowCount(tree->currentIndex().parent()) == 80, 15000);
      QTRY_VERIFY_WITH_TIMEOUT(tree->viewport()->rect().contains(tree->visualRect(tree->currentIndex())), 15000);

      // What is typed is the one highlighted folder.
      auto* path = Find<QLineEdit>(picker, "pathEdit");
      for (const char* typed : {"f68", "f30", "f31"}) {
        path->selectAll();
        QTest::keyClicks(path, QString::fromStdString(dir / typed));
        const QModelIndexList selected = tree->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(folders->filePath(selected.front()), QString::fromStdString(dir / typed));
      }
      Click(picker, QDialogButtonBox::Cancel);
    });
    qt_.BrowseForFolder("Select DATA folder", start.toStdString());
  }

  void fileDialogStartsAtTheGivenFolderThenWhereTheLastFileWasChosen() {
    test::TempDir dir;
    test::WriteFile(dir / "data/x", "");
    test::WriteFile(dir / "ppds/Orva.ppd", "*PPD-Adobe: \"4.3\"\n");
    const QString data = QString::fromStdString(dir / "data");
    const QString ppds = QString::fromStdString(dir / "ppds");
    driver_->Expect("OpenFileDialog", [&](QWidget* widget) {
      auto* files = qobject_cast<QFileDialog*>(widget);
      QCOMPARE(files->directory().absolutePath(), data);
      Find<QLineEdit>(files, "fileNameEdit")->setText(ppds + "/Orva.ppd");
      static_cast<QDialog*>(files)->accept();
    });
    QCOMPARE(qt_.OpenFile({"Select a PPD file", data.toStdString() + "/", {{"Ppd files", "*.PPD"}}}),
             (ppds + "/Orva.ppd").toStdString());
    // An empty file (as the kernel's files under /proc show) is refused and the dialog
    // comes back.
    driver_->Expect("OpenFileDialog", [&](QWidget* widget) {
      QCOMPARE(qobject_cast<QFileDialog*>(widget)->directory().absolutePath(), ppds);
      Find<QLineEdit>(widget, "fileNameEdit")->setText(data + "/x");
      static_cast<QDialog*>(widget)->accept();
    });
    driver_->Expect("OpenFileDialog", [&](QWidget* widget) {
      QCOMPARE(qobject_cast<QFileDialog*>(widget)->directory().absolutePath(), data);
      static_cast<QDialog*>(widget)->reject();
    });
    QCOMPARE(qt_.OpenFile({"Select a PPD file", data.toStdString(), {{"Ppd files", "*.PPD"}}}), std::string());
    QCOMPARE(driver_->messages.size(), 1);
    QCOMPARE(driver_->messages[0].text,
             "The file " + data + "/x cannot be used: it is empty or not an ordinary file.");
  }

 private:
  std::unique_ptr<ModalDriver> driver_;
  CQtUserInterface qt_;
  ScopedUserInterface scoped_{qt_};
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::FileViewsTest)
#include "file_views_test.moc"
