// The main window on the offscreen platform, driven as a user drives it: clicks on rows
// and on empty space, the buttons, the menu, Ctrl+N and Escape, and the dialogs they open,
// over a copy of the sample installation.
#include "gui/main_window_view.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "window/main_window.h"
#include "lifecycle/commands.h"
#include "tests/gui/qt_test_support.h"
#include "gui/pictures.h"
#include "gui/qt_user_interface.h"

namespace rvc::ui {
namespace {

using window::CRvcDlg;
using test::ModalDriver;

class MainWindowViewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::RegisterAllViews(); }

  void init() {
    sample_.reset();
    sample_ = std::make_unique<test::LoadedSample>();
    driver_ = std::make_unique<ModalDriver>();
  }

  void cleanup() {
    const QStringList unexpected = driver_->unexpected;
    const bool allHandled = driver_->AllHandled();
    view_.reset();
    model_.reset();
    driver_.reset();
    sample_.reset();
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(", ")));
    QVERIFY(allHandled);
  }

  void newDispatcherFromAPpdShowsItsRow() {
    Open(test::kTiff);
    const std::string ppd = sample_->Path("ppds/OrvaTiffsetter.ppd");

    driver_->Expect("NewDispatcherView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("New Dispatcher"));
      auto* name = Find<QLineEdit>(dialog, "nameEdit");
      QCOMPARE(name->text(), QString("Mono2"));
      QVERIFY(!Find<QLineEdit>(dialog, "ppdEdit")->isHidden());
      QVERIFY(Find<QComboBox>(dialog, "vdpCombo")->isHidden());
      QVERIFY(!Find<QLineEdit>(dialog, "ppdEdit")->isEnabled());
      auto* types = Find<QComboBox>(dialog, "deviceTypeCombo");
      QCOMPARE(types->itemText(2), QString("Generic_FromPPD"));
      types->setCurrentIndex(2);  // a PPD type: the PPD field opens up
      QVERIFY(Find<QLineEdit>(dialog, "ppdEdit")->isEnabled());
      auto* queues = Find<QComboBox>(dialog, "queueSetupCombo");
      QCOMPARE(queues->itemText(1), QString("Copy Mono"));
      queues->setCurrentIndex(1);
      queues->setFocus();  // the last field the operator touched

      // Each refused OK leaves the dialog open with the input and the field to correct focused.
      name->setText("Mono|2");
      Ok(dialog);
      QVERIFY(dialog->isVisible());
      QCOMPARE(dialog->focusWidget(), name);
      QCOMPARE(name->text(), QString("Mono|2"));
      QCOMPARE(types->currentIndex(), 2);
      QCOMPARE(queues->currentIndex(), 1);
      name->setText("Mono2");
      Ok(dialog);  // without a PPD
      QVERIFY(dialog->isVisible());
      QCOMPARE(dialog->focusWidget(), Find<QWidget>(dialog, "browseButton"));
      QCOMPARE(name->text(), QString("Mono2"));
      Find<QPushButton>(dialog, "browseButton")->click();
      QVERIFY(Find<QLineEdit>(dialog, "ppdEdit")->text().endsWith("OrvaTiffsetter.ppd"));
      Ok(dialog);
    });
    const QString dataFolder = QString::fromStdString(model_->Dispatchers->DataFolder());
    driver_->Expect("OpenFileDialog", [ppd, dataFolder](QWidget* widget) {
      auto* files = qobject_cast<QFileDialog*>(widget);
      QCOMPARE(files->windowTitle(), QString("Select a PPD file"));
      QCOMPARE(files->directory().absolutePath() + "/", dataFolder);  // the flavour's data folder
      QCOMPARE(files->nameFilters(), QStringList{"Ppd files (*.PPD)"});
      Find<QLineEdit>(files, "fileNameEdit")->setText(QString::fromStdString(ppd));  // typed in
      static_cast<QDialog*>(files)->accept();
    });
    QTest::mouseClick(Button("newButton"), Qt::LeftButton);

    QVERIFY(driver_->messages.size() >= 2);  // the refusals, then what the PPD's creation says
    QCOMPARE(driver_->messages[0].text, QString("Following characters may not be used: \\/:*?\"<>|"));
    QCOMPARE(driver_->messages[1].text, QString("Please browse and select a PPD file."));
    for (int i : {0, 1}) QCOMPARE(driver_->messages[i].over, QString("NewDispatcherView"));
    QTreeWidget* list = List();
    QCOMPARE(list->topLevelItemCount(), 4);
    QCOMPARE(Row(3), (QStringList{"Mono2_OrvaTiffsetter", "Generic_FromPPD", "5204"}));
    // Nothing is selected after the list was reloaded.
    QVERIFY(list->selectedItems().isEmpty());
    for (const char* name : {"modifyButton", "deleteButton", "viewButton", "changeTypeButton"}) {
      QVERIFY2(!Button(name)->isEnabled(), name);
    }
  }

  void clicksOnARowAndOnEmptySpaceSwitchTheCommands() {
    Open(test::kTiff);
    QCOMPARE(view_->windowTitle(), QString("Ravlin Configurator 10.1"));
    QCOMPARE(List()->headerItem()->text(2), QString("OrvaLink Port"));
    QVERIFY(List()->header()->sectionSize(0) >= 130);  // wider for a longer name
    QCOMPARE(List()->header()->sectionSize(1), 240);
    QVERIFY(!Action("actionCreatePpd")->isEnabled());

    ClickRow(1);
    QCOMPARE(List()->selectedItems().size(), 1);
    QCOMPARE(List()->selectedItems().front()->text(0), QString("Mono1"));
    for (const char* name : {"newButton", "modifyButton", "deleteButton", "viewButton", "changeTypeButton"}) {
      QVERIFY2(Button(name)->isEnabled(), name);
    }
    QVERIFY(Action("actionDispatcherProperties")->isEnabled());
    QVERIFY(Action("actionCreatePpd")->isEnabled());

    // Below the last row.
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, QPoint(20, List()->viewport()->height() - 5));
    QVERIFY(List()->selectedItems().isEmpty());
    for (const char* name : {"modifyButton", "deleteButton", "viewButton", "changeTypeButton"}) {
      QVERIFY2(!Button(name)->isEnabled(), name);
    }
    QVERIFY(!Action("actionDispatcherProperties")->isEnabled());
    QVERIFY(!Action("actionCreatePpd")->isEnabled());
    QVERIFY(Button("newButton")->isEnabled());

    // The properties of a clicked row, from the File menu.
    ClickRow(2);
    driver_->Expect("DispatcherPropertiesView", [this](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Dispatcher properties"));
      QCOMPARE(Find<QLabel>(dialog, "nameValue")->text(), QString("Mono3_OrvaTiffsetter"));
      QCOMPARE(Find<QLabel>(dialog, "portValue")->text(), QString("3"));
      QCOMPARE(Find<QLabel>(dialog, "folderValue")->text(),
               QString::fromStdString(sample_->Path("data/Tiffmono/Generic_FromPPD")));
      Ok(dialog);
    });
    Action("actionDispatcherProperties")->trigger();
  }

  // Keyboard only: the list focused, an arrow key selects, Alt+D deletes and the answer
  // comes by key too. Afterwards, with the focus back in the list, nothing is selected
  // and the commands for a selected dispatcher are disabled, as after a click.
  void deleteByKeyboardLeavesNothingSelected() {
    Open(test::kTiff);
    QTreeWidget* list = List();
    view_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(view_.get()));
    list->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), list);
    QVERIFY(list->selectedItems().isEmpty());
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->selectedItems().size(), 1);
    const QString selected = list->selectedItems().front()->text(0);
    QVERIFY(Button("deleteButton")->isEnabled());

    QTest::keyClick(view_.get(), Qt::Key_D, Qt::AltModifier);  // the button clicks itself a moment later
    QTRY_COMPARE(driver_->messages.size(), 1);
    QCOMPARE(driver_->messages[0].text, "Are you sure you want to delete dispatcher " + selected + "?");
    QCOMPARE(list->topLevelItemCount(), 2);
    view_->activateWindow();  // back from the question, as the window manager does
    QVERIFY(QTest::qWaitForWindowActive(view_.get()));
    QTRY_COMPARE(QApplication::focusWidget(), list);
    QCoreApplication::processEvents();
    QVERIFY(list->selectedItems().isEmpty());
    for (const char* name : {"modifyButton", "deleteButton", "viewButton", "changeTypeButton"}) {
      QVERIFY2(!Button(name)->isEnabled(), name);
    }
    QVERIFY(!Action("actionCreatePpd")->isEnabled());
  }

  void viewOnlyLeavesOnlyViewAfterAClick() {
    Open(test::kTiff, [](CRvcDlg& model) { model.SetViewOnly(true); });
    QVERIFY(!Action("actionNewDispatcher")->isEnabled());
    QVERIFY(!Action("actionRestore")->isEnabled());

    ClickRow(0);
    for (QPushButton* button : view_->findChildren<QPushButton*>()) {
      const bool expected = button->objectName() == "viewButton" || button->objectName() == "closeButton";
      QVERIFY2(button->isEnabled() == expected, qPrintable(button->objectName()));
    }

    // A double-click opens the view dialog.
    ClickRow(1);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, RowCentre(1));
    QVERIFY(opened_ == std::vector<frame::Command>{frame::Command::View});

    // Ctrl+N does nothing: "&New Dispatcher" is greyed out.
    QTest::keyClick(view_.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(List()->topLevelItemCount(), 3);
  }

  void changeTypeOfTheFirstDispatcherKeepsItFirst() {
    Open(test::kTiff);
    ClickRow(0);
    driver_->Expect("ChangeTypeView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("Change device type"));
      auto* types = Find<QComboBox>(dialog, "deviceTypeCombo");
      QCOMPARE(types->currentText(), QString("Imagesetter_Film"));  // the current type
      types->setCurrentIndex(types->findText("Generic_FromPPD"));
      Ok(dialog);  // a PPD type without a PPD: refused, the dialog stays with the choice
      QVERIFY(dialog->isVisible());
      QCOMPARE(types->currentText(), QString("Generic_FromPPD"));
      QCOMPARE(dialog->focusWidget(), Find<QWidget>(dialog, "browseButton"));
      types->setCurrentIndex(types->findText("CtP_platedriver"));
      Ok(dialog);
    });
    QTest::mouseClick(Button("changeTypeButton"), Qt::LeftButton);
    QVERIFY(!driver_->messages.isEmpty());
    QCOMPARE(driver_->messages[0].text, QString("Please browse and select a PPD file."));
    QCOMPARE(driver_->messages[0].over, QString("ChangeTypeView"));

    QCOMPARE(List()->topLevelItemCount(), 3);
    QCOMPARE(Row(0), (QStringList{"Mono", "CtP_platedriver", "5004"}));
    QCOMPARE(Row(1)[0], QString("Mono1"));
    QCOMPARE(QString::fromStdString(model_->Dispatchers->GetAt(0).Record.Folder), QString("Tiffmono"));
    QVERIFY(!Button("changeTypeButton")->isEnabled());
  }

  void dedeziHidesTheFlavourSelectorAndMovesBackupUp() {
    Open(test::kDedezi, [](CRvcDlg& model) { model.SetPreferredFlavour("Dedezi"); });
    QCOMPARE(view_->windowTitle(), QString("Velmora RIP Configurator"));
    QVERIFY(!view_->findChild<QFrame*>("flavourFrame")->isVisible());
    QVERIFY(!view_->findChild<QComboBox*>("flavourCombo")->isVisible());
    QCOMPARE(Row(0)[0], QString("Velmora"));
    const int backupTop = Button("backupButton")->mapTo(view_.get(), QPoint(0, 0)).y();
    const int labelTop = view_->findChild<QLabel*>("dispatchersLabel")->mapTo(view_.get(), QPoint(0, 0)).y();
    QVERIFY(backupTop < labelTop);

    // The New dialog of Dedezi asks for the VDP mode and proposes the OEM's name.
    driver_->Expect("NewDispatcherView", [](QWidget* dialog) {
      QCOMPARE(Find<QLineEdit>(dialog, "nameEdit")->text(), QString("VE050_D&A_Dadudi2"));
      QVERIFY(!Find<QComboBox>(dialog, "vdpCombo")->isHidden());
      QCOMPARE(Find<QComboBox>(dialog, "vdpCombo")->currentText(), QString("Active"));
      QVERIFY(Find<QLineEdit>(dialog, "ppdEdit")->isHidden());
      qobject_cast<QDialog*>(dialog)->reject();
    });
    QTest::mouseClick(Button("newButton"), Qt::LeftButton);
    QCOMPARE(List()->topLevelItemCount(), 2);
  }

  void flavourChoiceMenuShortcutAndEscape() {
    Open(test::kTiff);
    auto* flavours = view_->findChild<QComboBox*>("flavourCombo");
    QCOMPARE(flavours->count(), 4);
    QCOMPARE(flavours->currentText(), QString("Ravlin Tiff"));
    flavours->setCurrentIndex(test::kApproval);
    QCOMPARE(Row(0)[0], QString("Appr"));
    ClickRow(0);
    QVERIFY(Button("modifyButton")->isEnabled());
    QVERIFY(!Button("changeTypeButton")->isEnabled());  // never for Approval

    driver_->Expect("NewDispatcherView", [](QWidget* dialog) {
      QVERIFY(Find<QLineEdit>(dialog, "ppdEdit")->isHidden());  // Approval: neither PPD nor VDP
      Find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Cancel)->click();
    });
    QTest::keyClick(view_.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(List()->topLevelItemCount(), 2);

    driver_->Expect("AboutView", [](QWidget* dialog) {
      QCOMPARE(Find<QLabel>(dialog, "productLabel")->text(), QString("RavlinConfigurator 10.1"));
      QCOMPARE(Find<QLabel>(dialog, "buildLabel")->text(), QString("Ravlin Configurator 10.1.0 Build 30"));
      Ok(dialog);
    });
    Action("actionAboutRvc")->trigger();

    QTest::keyClick(view_.get(), Qt::Key_Escape);
    QVERIFY(model_->Closed);
    QVERIFY(!view_->isVisible());
  }

  void columnsAreWideEnoughForTheirTextsAndFillTheWindow() {
    Open(test::kTiff);
    view_->resize(1200, 500);
    QTreeWidget* list = List();
    QHeaderView* header = list->header();
    // A cell shows its text whole when its width holds the text and the cell's margins.
    const QFontMetrics metrics(list->font());
    const int margins = 2 * list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 2;
    QCOMPARE(Row(2)[0], QString("Mono3_OrvaTiffsetter"));
    QTRY_VERIFY(header->sectionSize(0) >= metrics.horizontalAdvance(Row(2)[0]) + margins);
    QVERIFY(header->sectionSize(1) >= metrics.horizontalAdvance(Row(2)[1]) + margins);
    QCOMPARE(header->length(), list->viewport()->width());
    QVERIFY(header->sectionSize(0) >= 130 && header->sectionSize(1) >= 240);
  }

  void theWindowShowsTheProgramsIconOnceItHasPainted() {
    QGuiApplication::setWindowIcon(QIcon());
    Open(test::kTiff);
    QTRY_VERIFY(!view_->windowIcon().isNull());
    QCOMPARE(view_->windowIcon().pixmap(QSize(96, 96)).toImage(), WindowIcon().pixmap(QSize(96, 96)).toImage());
    QCOMPARE(QGuiApplication::windowIcon().cacheKey(), view_->windowIcon().cacheKey());
  }

 private:
  void Open(int flavour, const std::function<void(CRvcDlg&)>& prepare = {}) {
    lifecycle::RegisterLifecycleCommands(commands_);
    for (frame::Command id : {frame::Command::Modify, frame::Command::View}) {
      commands_.Register(id, [this, id](frame::CommandRequest&) { opened_.push_back(id); });
    }
    model_ = std::make_unique<CRvcDlg>(sample_->flavours, flavour, commands_);
    if (prepare) prepare(*model_);
    model_->OnInitDialog();
    view_ = std::make_unique<MainWindowView>(*model_);
    view_->resize(640, 400);
    view_->Sync();
    view_->show();
    QVERIFY(QTest::qWaitForWindowExposed(view_.get()));
  }

  template <typename T>
  static T* Find(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    if (child == nullptr) qFatal("no widget %s", name);
    return child;
  }
  static void Ok(QWidget* dialog) {
    Find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click();
  }

  QPushButton* Button(const char* name) const { return Find<QPushButton>(view_.get(), name); }
  QAction* Action(const char* name) const {
    auto* action = view_->findChild<QAction*>(name);
    if (action == nullptr) qFatal("no action %s", name);
    return action;
  }
  QTreeWidget* List() const { return Find<QTreeWidget>(view_.get(), "dispatcherList"); }
  QStringList Row(int row) const {
    QStringList texts;
    QTreeWidgetItem* item = List()->topLevelItem(row);
    for (int column = 0; item != nullptr && column < item->columnCount(); ++column) texts << item->text(column);
    return texts;
  }
  QPoint RowCentre(int row) const { return List()->visualItemRect(List()->topLevelItem(row)).center(); }
  void ClickRow(int row) { QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowCentre(row)); }

  std::unique_ptr<test::LoadedSample> sample_;
  std::unique_ptr<ModalDriver> driver_;
  CQtUserInterface qt_;
  ScopedUserInterface scoped_{qt_};
  frame::CCommandTable commands_;
  std::vector<frame::Command> opened_;  // the dispatcher dialogs the stand-in handlers opened
  std::unique_ptr<CRvcDlg> model_;
  std::unique_ptr<MainWindowView> view_;
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::MainWindowViewTest)
#include "main_window_view_test.moc"
