// The Qt user interface apart from the main window, on the offscreen platform: message
// boxes, the folder picker and its checks, the file-open dialog, progress and wait cursor,
// the views of the start-up dialogs and of the environment-variable dialog, the About
// dialog and splash, and the single-instance activation.
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <cerrno>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "frame/login.h"
#include "lifecycle/ppd_preferences.h"
#include "frame/single_instance.h"
#include "frame/version_selection.h"
#include "window/main_window.h"
#include "tests/gui/qt_test_support.h"
#include "gui/folder_check.h"
#include "gui/instance_watch.h"
#include "gui/pictures.h"
#include "gui/qt_user_interface.h"
#include "gui/splash_view.h"
#include "settings/environment_variable_dialog.h"

namespace rvc::ui {
namespace {

using test::ModalDriver;

struct UnknownModel : IDialogModel {
  std::string DialogName() const override { return "Backup"; }
};

// Every logon fails.
class RefusingAccounts : public frame::IAccountServices {
 public:
  bool IsAdministrator(const frame::AccountToken*) override { return false; }
  frame::AccountToken LogOn(const std::string&, const std::string& user, const std::string& password) override {
    logons << QString::fromStdString(user + ":" + password);
    const QCursor* cursor = QApplication::overrideCursor();
    busyDuringLogon = cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    auto* ok = qobject_cast<QPushButton*>(QApplication::activeModalWidget()->findChild<QPushButton*>("okButton"));
    okEnabledDuringLogon = ok != nullptr && ok->isEnabled();
    return {user, false};
  }
  void Impersonate(const frame::AccountToken&) override {}
  void RevertToSelf() override {}
  QStringList logons;
  bool busyDuringLogon = false;
  bool okEnabledDuringLogon = true;
};

// The least width that shows `title` in a window manager's bold title font, with room for
// the window's icon and buttons beside it.
int TitleWidth(const QString& title) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  return QFontMetrics(bold).horizontalAdvance(title) + 100;
}

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

using test::Find;

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

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::RegisterAllViews(); }
  void init() { driver_ = std::make_unique<ModalDriver>(); }

  void cleanup() {
    const QStringList unexpected = driver_->unexpected;
    const bool allHandled = driver_->AllHandled();
    driver_.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
    QVERIFY(allHandled);
  }

  void messageBoxesCarryTitleTextButtonsAndIcon() {
    driver_->Answer(QMessageBox::No);
    QCOMPARE(qt_.ShowMessage({"Delete Mono?", "Ravlin Configurator", Buttons::YesNo, Icon::Question, false}),
             Answer::No);
    driver_->Answer(QMessageBox::Cancel);
    QCOMPARE(qt_.ShowMessage({"Go on?", "Restore", Buttons::OkCancel, Icon::Error, false}), Answer::Cancel);
    QCOMPARE(qt_.ShowMessage({"Failed to open x", "Error", Buttons::Ok, Icon::Exclamation, true}), Answer::Ok);

    QCOMPARE(driver_->messages.size(), 3);
    const test::ShownMessage& question = driver_->messages[0];
    QCOMPARE(question.title, QString("Ravlin Configurator"));
    QCOMPARE(question.text, QString("Delete Mono?"));
    QCOMPARE(question.icon, QMessageBox::Question);
    QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(driver_->messages[1].icon, QMessageBox::Critical);
    QCOMPARE(driver_->messages[1].buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(driver_->messages[2].icon, QMessageBox::Warning);
    QCOMPARE(driver_->messages[2].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void folderPickerRefusesFilesAndCreatesMissingFolders() {
    test::TempDir dir;
    test::WriteFile(dir / "file.txt", "x");
    const QString file = QString::fromStdString(dir / "file.txt");
    const QString missing = QString::fromStdString(dir / "new/deeper");
    driver_->Expect("FolderPickerView", [&](QWidget* picker) {
      QCOMPARE(picker->windowTitle(), QString("Select DATA folder"));
      auto* path = Find<QLineEdit>(picker, "pathEdit");
      QCOMPARE(path->text(), QString::fromStdString(dir.Path()).chopped(1));  // starts at the given folder
      path->setText(file);
      Click(picker, QDialogButtonBox::Ok);
      QVERIFY(picker->isVisible());  // a file is no choice
      path->setText("relative/folder");
      Click(picker, QDialogButtonBox::Ok);
      QVERIFY(picker->isVisible());
      path->setText(missing + "/");
      Click(picker, QDialogButtonBox::Ok);  // asked, answered Yes
    });
    QCOMPARE(QString::fromStdString(qt_.BrowseForFolder("Select DATA folder", dir.Path())), missing);
    QVERIFY(std::filesystem::is_directory(missing.toStdString()));

    QCOMPARE(driver_->messages.size(), 3);
    QCOMPARE(driver_->messages[0].text, file + " is a file, not a folder.");
    QCOMPARE(driver_->messages[0].title, QString("Select DATA folder"));
    QCOMPARE(driver_->messages[1].text,
             QString("relative/folder is not a valid folder: a folder path starts at the root folder \"/\"."));
    QCOMPARE(driver_->messages[2].text, "The folder " + missing + " does not exist.\nDo you want to create it?");
    QCOMPARE(driver_->messages[2].buttons, QMessageBox::Yes | QMessageBox::No);
  }

  void messageBoxesAreWideEnoughForTheirTitleAndPaths() {
    const QString path = "/srv/ravlin/data/Tiffmono/" + QString(40, 'x') + "/Mono3_OrvaTiffsetter_Generic_FromPPD";
    qt_.ShowMessage({("The folder " + path + " does not exist.\nDo you want to create it?").toStdString(),
                     "Select DATA folder - Ravlin Tiff", Buttons::YesNo, Icon::Question, false});
    qt_.ShowMessage({"Done.", "Please open a location to copy PPD files", Buttons::Ok, Icon::Information, false});
    QCOMPARE(driver_->messages.size(), 2);
    QVERIFY(driver_->messages[0].textWidth >= QFontMetrics(QApplication::font()).horizontalAdvance(path));
    for (const test::ShownMessage& message : driver_->messages) {
      QVERIFY2(message.width >= TitleWidth(message.title), qPrintable(message.title));
    }
  }

  void folderPickerNamesWhyAFolderCannotBeMadeAndCancelGivesNothing() {
    driver_->Expect("FolderPickerView", [](QWidget* picker) {
      Find<QLineEdit>(picker, "pathEdit")->setText("/proc/rvc-no-such/inner");
      Click(picker, QDialogButtonBox::Ok);
      QVERIFY(picker->isVisible());
      Click(picker, QDialogButtonBox::Cancel);
    });
    QCOMPARE(qt_.BrowseForFolder("Select PROGRAM folder", "/"), std::string());
    QCOMPARE(driver_->messages.size(), 2);
    QVERIFY2(driver_->messages[1].text.startsWith("The folder /proc/rvc-no-such/inner could not be created: "),
             qPrintable(driver_->messages[1].text));
    QCOMPARE(driver_->messages[1].icon, QMessageBox::Critical);

    QCOMPARE(CreationFailureReason(EACCES), std::string("you have no permission to create it"));
    QCOMPARE(CreationFailureReason(EROFS), std::string("the medium is read-only (write-protected, or a CD-ROM)"));
    QCOMPARE(CreationFailureReason(ENOSPC), std::string("the medium is full"));
  }

  void folderChecksOfTypedPaths() {
    QCOMPARE(CheckFolder("   ").problem, std::string("Please enter a folder."));
    QVERIFY(CheckFolder("//server").problem.find("needs a server and a share") != std::string::npos);
    QVERIFY(CheckFolder("\\\\server\\share\\x").problem.find("where the share is mounted") != std::string::npos);
    const FolderVerdict root = CheckFolder("/");
    QCOMPARE(root.kind, FolderVerdict::Kind::Folder);
    QCOMPARE(root.folder, std::string("/"));
    test::ScopedEnv home("HOME", "/tmp");
    const FolderVerdict tilde = CheckFolder("~/rvc-surely-missing/");
    QCOMPARE(tilde.kind, FolderVerdict::Kind::Missing);
    QCOMPARE(tilde.folder, std::string("/tmp/rvc-surely-missing"));
  }

  void folderNamesCompleteAsTheyAreTyped() {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "alpha");
    std::filesystem::create_directories(dir / "alps");
    test::WriteFile(dir / "alto.txt", "not a folder");
    driver_->Expect("FolderPickerView", [&](QWidget* picker) {
      auto* path = Find<QLineEdit>(picker, "pathEdit");
      QCompleter* completer = path->completer();
      QVERIFY(completer != nullptr);
      // The folder list is read in the background; the offer is judged once it is in.
      auto* folders = qobject_cast<QFileSystemModel*>(completer->model());
      QVERIFY(folders != nullptr);
      const QModelIndex typedIn = folders->index(QString::fromStdString(dir.Path()));
      if (folders->canFetchMore(typedIn)) folders->fetchMore(typedIn);
      QTRY_COMPARE_WITH_TIMEOUT(folders->rowCount(typedIn), 2, 15000);
      path->clear();
      QTest::keyClicks(path, QString::fromStdString(dir / "al"));
      auto offered = [completer] {
        QStringList names;
        for (int row = 0; row < completer->completionCount(); ++row) {
          names << completer->completionModel()->index(row, 0).data().toString();
        }
        names.sort();
        return names;
      };
      QTRY_COMPARE_WITH_TIMEOUT(offered(), (QStringList{"alpha", "alps"}), 15000);
      Click(picker, QDialogButtonBox::Cancel);
    });
    qt_.BrowseForFolder("Choose", dir.Path());
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
    CQtUserInterface fresh;  // no file chosen yet
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
    QCOMPARE(fresh.OpenFile({"Select a PPD file", data.toStdString() + "/", {{"Ppd files", "*.PPD"}}}),
             (ppds + "/Orva.ppd").toStdString());
    // An empty file (as the kernel's files under /proc show) is refused and the dialog
    // comes back.
    driver_->Expect("OpenFileDialog", [&](QWidget* widget) {
      QCOMPARE(qobject_cast<QFileDialog*>(widget)->directory().absolutePath(), ppds);
      Find<QLineEdit>(widget, "fileNameEdit")->setText(data + "/x");
      static_cast<QDialog*>(widget)->accept();
    });
    driver_->Expect("OpenFileDialog", [&](QWidget* widget) {
      QCOMPARE(qobject_cast<QFileDialog*>(widget)->directory().absolutePath(), ppds);
      static_cast<QDialog*>(widget)->reject();
    });
    QCOMPARE(fresh.OpenFile({"Select a PPD file", data.toStdString(), {{"Ppd files", "*.PPD"}}}), std::string());
    QCOMPARE(driver_->messages.size(), 1);
    QCOMPARE(driver_->messages[0].text,
             "The file " + data + "/x cannot be used: it is empty or not an ordinary file.");
  }

  void progressAndWaitCursor() {
    auto shownProgress = [] {
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<QProgressDialog*>(widget); found != nullptr && found->isVisible()) return found;
      }
      return static_cast<QProgressDialog*>(nullptr);
    };
    {
      std::unique_ptr<IProgress> progress = qt_.BeginProgress("Progressing", 3);
      QProgressDialog* dialog = shownProgress();
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->windowTitle(), QString("Progressing"));
      QCOMPARE(dialog->maximum(), 3);
      progress->Step();
      progress->Step();
      QCOMPARE(dialog->value(), 2);
      progress->SetRange(5);
      QCOMPARE(dialog->maximum(), 5);
    }
    QVERIFY(shownProgress() == nullptr);
    {
      // The backup's progress: the step's text and a Cancel button it asks between steps.
      std::unique_ptr<IProgress> progress = qt_.BeginCancellableProgress("Backup", 2);
      QProgressDialog* dialog = shownProgress();
      QVERIFY(dialog != nullptr);
      progress->SetText("Ravlin Tiff: Mono");
      QCOMPARE(dialog->labelText(), QString("Ravlin Tiff: Mono"));
      QVERIFY(!progress->Cancelled());
      dialog->cancel();
      QVERIFY(progress->Cancelled());
    }
    QVERIFY(shownProgress() == nullptr);

    QVERIFY(QApplication::overrideCursor() == nullptr);
    {
      WaitCursor outer;
      {
        WaitCursor inner;
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      }
      QVERIFY(QApplication::overrideCursor() != nullptr);
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void aDialogWithoutViewIsAnnounced() {
    UnknownModel model;
    QCOMPARE(qt_.RunDialog(model), DialogResult::Cancel);
    QCOMPARE(driver_->messages.size(), 1);
    QCOMPARE(driver_->messages[0].text,
             QString("The dialog \"Backup\" is not available yet in this version of Ravlin Configurator."));
  }

  void versionSelectionTakesTheChosenEntry() {
    frame::CVersionSelection model;
    model.Entries = {"Ravlin 9.0", "Ravlin 10.1"};
    model.Versions = {"9.0", "10.1"};
    model.Catalogues = {"rvc_9.0.dat", "rvc_10.1.dat"};
    model.Selection = 0;
    driver_->Expect("VersionSelectionView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("RavlinConfigurator : Select a Ravlin Version"));
      QVERIFY(dialog->width() >= TitleWidth(dialog->windowTitle()));
      QCOMPARE(Find<QGroupBox>(dialog, "versionGroup")->title(), QString("Ravlin Versions"));
      QCOMPARE(Find<QLabel>(dialog, "versionLabel")->text(), QString("Version to use :"));
      auto* versions = Find<QComboBox>(dialog, "versionCombo");
      QCOMPARE(versions->count(), 2);
      QCOMPARE(versions->currentText(), QString("Ravlin 9.0"));
      versions->setCurrentIndex(1);
      Click(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(qt_.RunDialog(model), DialogResult::Ok);
    QCOMPARE(model.Selection, 1);
    QCOMPARE(model.ChosenCatalogue, std::string("rvc_10.1.dat"));  // OK took the choice
  }

  void loginStaysOpenAfterAFailedLogonAndOffersViewMode() {
    RefusingAccounts accounts;
    frame::CLoginDialog login(accounts);
    driver_->Expect("LoginView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Login dialog"));
      QCOMPARE(Find<QLabel>(dialog, "promptLabel")->text(),
               QString("Enter administrative Windows user or start Ravlin Configurator in view mode"));
      auto* user = Find<QLineEdit>(dialog, "userNameEdit");
      auto* password = Find<QLineEdit>(dialog, "passwordEdit");
      QCOMPARE(password->echoMode(), QLineEdit::Password);
      user->setText("ORVA\\admin");
      password->setText("secret");
      Find<QPushButton>(dialog, "okButton")->click();
      // Refused: the same dialog, with what was typed, and the password to correct.
      QVERIFY(dialog->isVisible());
      QCOMPARE(user->text(), QString("ORVA\\admin"));
      QCOMPARE(password->text(), QString("secret"));
      QCOMPARE(dialog->focusWidget(), password);
      Find<QPushButton>(dialog, "viewModeButton")->click();
    });
    QCOMPARE(login.Run(), frame::CLoginDialog::Result::ViewMode);
    QCOMPARE(accounts.logons, QStringList{"admin:secret"});
    // While the account is checked: the wait cursor, and no second OK.
    QVERIFY(accounts.busyDuringLogon);
    QVERIFY(!accounts.okEnabledDuringLogon);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(driver_->messages.size(), 1);
    QVERIFY(driver_->messages[0].text.startsWith("The windows user that is currently logged on"));
    QCOMPARE(driver_->messages[0].over, QString("LoginView"));
  }

  void environmentVariableKeepsItsNameOutsideNewMode() {
    settings::CEnvironmentVariables variable;
    variable.Variable = "VDP_MODE";
    variable.Value = "1";
    driver_->Expect("EnvironmentVariableView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Environment Variable"));
      QVERIFY(!Find<QLineEdit>(dialog, "variableEdit")->isEnabled());
      QCOMPARE(Find<QLineEdit>(dialog, "valueEdit")->text(), QString("1"));
      Find<QLineEdit>(dialog, "valueEdit")->clear();
      Find<QLineEdit>(dialog, "commentEdit")->setText("off");
      Click(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(variable.Run(), DialogResult::Ok);
    QCOMPARE(variable.Variable, std::string("VDP_MODE"));
    QCOMPARE(variable.Value, std::string());
    QCOMPARE(variable.Comment, std::string("off"));

    settings::CEnvironmentVariables added;
    added.SetNewMode(true);
    driver_->Expect("EnvironmentVariableView", [](QWidget* dialog) {
      QVERIFY(Find<QLineEdit>(dialog, "variableEdit")->isEnabled());
      Find<QLineEdit>(dialog, "variableEdit")->setText("KW_LANG");
      Click(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(added.Run(), DialogResult::Ok);
    QCOMPARE(added.Variable, std::string("KW_LANG"));
  }

  void ppdPreferencesShowAndTakeTheValues() {
    lifecycle::CCopyPPDDlg preferences({"/srv/ppds", true, false});
    driver_->Expect("PpdPreferencesView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("PPD Preferences"));
      QCOMPARE(Find<QGroupBox>(dialog, "preferencesGroup")->title(), QString("Preferences"));
      QCOMPARE(Find<QLabel>(dialog, "locationLabel")->text(), QString("Define a PPD copy location :"));
      QCOMPARE(Find<QLineEdit>(dialog, "locationEdit")->text(), QString("/srv/ppds"));
      QVERIFY(Find<QCheckBox>(dialog, "dgcCheck")->isChecked());
      QVERIFY(!Find<QCheckBox>(dialog, "dotJobCheck")->isChecked());
      Find<QLineEdit>(dialog, "locationEdit")->clear();
      Find<QCheckBox>(dialog, "dgcCheck")->setChecked(false);
      Find<QCheckBox>(dialog, "dotJobCheck")->setChecked(true);
      Click(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(qt_.RunDialog(preferences), DialogResult::Ok);
    QCOMPARE(preferences.Values.ExtraPPDLocation, std::string());
    QVERIFY(!preferences.Values.IncludeDGCInPPD);
    QVERIFY(preferences.Values.IncludeDotJobInPPD);
  }

  void aboutDialogAndSplash() {
    window::CAboutDlg about("Dedezi");
    driver_->Expect("AboutView", [](QWidget* dialog) {
      QCOMPARE(Find<QLabel>(dialog, "productLabel")->text(), QString("RavlinConfigurator 10.1"));
      QVERIFY(Find<QLineEdit>(dialog, "traceField")->isReadOnly());
      QVERIFY(Find<QLineEdit>(dialog, "traceField")->text().endsWith("trace_rvc.txt"));
      QVERIFY(!Find<QLabel>(dialog, "pictureLabel")->pixmap().isNull());
      Click(dialog, QDialogButtonBox::Ok);
    });
    QCOMPARE(qt_.RunDialog(about), DialogResult::Ok);

    QCOMPARE(BuildText(), QString("Ravlin Configurator 10.1.0 Build 30"));
    // The build text is drawn into the bitmap, right-aligned at x 495 from y 30 on.
    const QImage bare = SplashBitmap(false).toImage();
    const QImage splash = SplashPicture(false).toImage();
    QRect changed;
    for (int y = 0; y < splash.height(); ++y) {
      for (int x = 0; x < splash.width(); ++x) {
        if (bare.pixel(x, y) != splash.pixel(x, y)) changed |= QRect(x, y, 1, 1);
      }
    }
    QVERIFY(!changed.isEmpty());
    QVERIFY2(changed.right() <= 495 && changed.right() >= 480, qPrintable(QString::number(changed.right())));
    QVERIFY2(changed.top() >= 30 && changed.top() < 40, qPrintable(QString::number(changed.top())));
    QVERIFY(changed.left() > 200);
    QVERIFY(SplashBitmap(true).toImage() != bare);  // Velmora's own picture

    SplashView view(false);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.grab().toImage().convertToFormat(QImage::Format_RGB32), splash.convertToFormat(QImage::Format_RGB32));
  }

  void aLaterStartBringsTheWindowToTheFront() {
    test::TempDir dir;
    int activations = 0;
    frame::CSingleInstance first(
        "RVCTEST", [&activations] { ++activations; }, dir.Path());
    QVERIFY(first.IsFirst());
    CInstanceWatch watch([&first] { return &first; });
    watch.Ensure();
    watch.Ensure();

    frame::CSingleInstance second("RVCTEST", {}, dir.Path());
    QVERIFY(!second.IsFirst());
    QVERIFY(second.ActivateFirst());
    QTRY_COMPARE(activations, 1);

    QWidget window;
    SetMainWindow(&window);
    window.showMinimized();
    CInstanceWatch::BringToFront();
    QTRY_VERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
    SetMainWindow(nullptr);
  }

 private:
  std::unique_ptr<ModalDriver> driver_;
  CQtUserInterface qt_;
  ScopedUserInterface scoped_{qt_};  // the dialogs' own messages come here too
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::DialogsTest)
#include "dialogs_test.moc"
