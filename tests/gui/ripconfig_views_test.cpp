// One operator's way through the configuration, media, resolution set and value dialogs
// on the offscreen platform: a refused OK keeps a dialog open, and what was entered
// reaches the open configuration.
#include <QComboBox>
#include <QPixmap>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/messages.h"
#include "core/rvc_exception.h"
#include "gui/qt_user_interface.h"
#include "ripconfig/configuration_dialog.h"
#include "tests/gui/qt_test_support.h"
#include "tests/ripconfig/dispatcher_files.h"

namespace rvc::ui {
namespace {

using test::ModalDriver;

using test::Find;

// With RVC_SCREENSHOT set (scripts/screenshots.sh), the dialog's picture goes into that
// folder as `name`.png.
void Picture(QWidget* dialog, const char* name) {
  const QByteArray folder = qgetenv("RVC_SCREENSHOT");
  if (!folder.isEmpty()) dialog->grab().save(QString::fromUtf8(folder) + "/" + name + ".png");
}

void Click(QWidget* dialog, const char* button) { Find<QPushButton>(dialog, button)->click(); }
void Ok(QWidget* dialog) { Find<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok)->click(); }

class RipconfigViewsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { test::RegisterAllViews(); }

  void newConfigurationThroughAllThreeDialogs() {
    test::TempDir dir;
    ripconfig::testing::WriteDispatcher(dir);
    test::WriteFile(dir / "Press/data/zvPress_dispatcher.ini", "[global]\noutput=Press\n");
    test::WriteFile(dir / "Press/data/Press.fid", "[BitsPerSpot]\nValue=8\n");
    test::ScopedEnv curves("KW_DATA_DGC", std::nullopt);
    const std::string configPath = dir / "Press/data/zv_config.res";
    ripconfig::RavlcfgHandle* handle = ripconfig::ravlcfg_open(configPath);
    QVERIFY(handle != nullptr);

    ModalDriver driver;
    driver.Expect("ConfigurationView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("New Configuration"));
      QVERIFY(!Find<QPushButton>(dialog, "mediaModifyButton")->isEnabled());
      Find<QLineEdit>(dialog, "nameEdit")->setText("Letter");
      Click(dialog, "mediaNewButton");
      auto* media = Find<QListWidget>(dialog, "mediaList");
      QCOMPARE(media->count(), 3);
      media->setCurrentRow(2);
      QVERIFY(Find<QPushButton>(dialog, "mediaModifyButton")->isEnabled());
      Click(dialog, "useMediaButton");
      Ok(dialog);  // refused: no resolution set is used yet
      QVERIFY(dialog->isVisible());
      Click(dialog, "setNewButton");
      auto* sets = Find<QListWidget>(dialog, "setList");
      QCOMPARE(sets->item(2)->text(), QString("set_2"));
      sets->setCurrentRow(2);
      Click(dialog, "useSetButton");
      Picture(dialog, "configuration");
      Ok(dialog);
    });
    driver.Expect("MediaView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("New Media"));
      QCOMPARE(Find<QComboBox>(dialog, "curveCombo")->currentText(), QString("(none)"));
      Find<QLineEdit>(dialog, "nameEdit")->setText("Letter Film");
      Find<QComboBox>(dialog, "verticalUnit")->setCurrentIndex(1);
      Find<QLineEdit>(dialog, "verticalEdit")->setText("11");
      Find<QComboBox>(dialog, "horizontalUnit")->setCurrentIndex(2);
      Find<QLineEdit>(dialog, "horizontalEdit")->setText("8500");
      Picture(dialog, "media");
      Ok(dialog);
    });
    driver.Expect("ResolutionSetView", [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QString("New Resolution Set"));
      Click(dialog, "addButton");
      QCOMPARE(Find<QTreeWidget>(dialog, "valueList")->topLevelItemCount(), 1);
      Picture(dialog, "resolution-set");
      Ok(dialog);
    });
    driver.Expect("ResolutionValueView", [](QWidget* dialog) {
      QVERIFY(Find<QLineEdit>(dialog, "gammaEdit")->isHidden());
      Find<QLineEdit>(dialog, "resolutionEdit")->setText("0");
      Ok(dialog);  // refused: 161
      QVERIFY(dialog->isVisible());
      Find<QLineEdit>(dialog, "resolutionEdit")->setText("2540");
      Ok(dialog);
    });

    CQtUserInterface qt;
    ScopedUserInterface scoped(qt);
    const DialogResult result =
        ripconfig::RunConfigurationDialog(handle, ripconfig::EditorMode::New, "", "", "Press", configPath);
    QVERIFY2(driver.unexpected.isEmpty(), qPrintable(driver.unexpected.join(", ")));
    QCOMPARE(result, DialogResult::Ok);
    QVERIFY(driver.AllHandled());
    QCOMPARE(driver.messages.size(), 2);
    QCOMPARE(driver.messages[0].text, QString::fromStdString(MessageText(msg::kMediaAndSetMissing)));
    QCOMPARE(driver.messages[1].text, QString::fromStdString(MessageText(msg::kInvalidResolution)));

    const ripconfig::ConfigRecord* letter = handle->FindConf("Letter");
    QVERIFY(letter != nullptr);
    QCOMPARE(letter->film, std::string("Letter Film"));
    QCOMPARE(letter->set, std::string("set_2"));
    QCOMPARE(handle->FindFilm("Letter Film")->sizeText, std::string("11.0\" x 8.5\""));
    QCOMPARE(handle->FindSet("set_2")->Entry(0)->dpi, 2540.0);
    ripconfig::ravlcfg_close(&handle);
  }
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::RipconfigViewsTest)
#include "ripconfig_views_test.moc"
