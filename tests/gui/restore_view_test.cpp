// The Restore view over its model: the lists as the model holds them, and the selections
// written back on Restore.
#include <QApplication>
#include <QListWidget>
#include <QProgressDialog>
#include <QTest>

#include "backup/restore.h"
#include "gui/qt_user_interface.h"
#include "gui/restore_view.h"

namespace rvc::ui {

class RestoreViewTest : public QObject {
  Q_OBJECT
 private slots:
  void showsTheListsAndWritesTheSelectionsBack() {
    backup::CRestoreDlg model;
    model.BackupFolder = "/b/RVC_Backup_host-2026-12-06-04-51";
    model.Flavours = {"Approval", "Ravlin Tiff"};
    model.SelectedFlavour = 1;
    model.Dispatchers = {"Mono", "Mono1"};
    model.DispatcherSelected = {false, true};
    RestoreView view(model);
    auto* flavours = view.findChild<QListWidget*>("flavours");
    auto* dispatchers = view.findChild<QListWidget*>("dispatchers");
    QVERIFY(flavours && dispatchers);
    QCOMPARE(flavours->count(), 2);
    QCOMPARE(flavours->currentRow(), 1);
    QVERIFY(dispatchers->item(1)->isSelected());
    dispatchers->item(0)->setSelected(true);
    view.accept();
    QCOMPARE(view.result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(model.SelectedFlavours, std::vector<std::string>{"Ravlin Tiff"});
    QCOMPARE(model.SelectedDispatchers, (std::vector<std::string>{"Mono", "Mono1"}));
    QVERIFY(!model.WholeFlavour);
  }

  // With RVC_SCREENSHOT set (scripts/screenshots.sh): the Restore dialog and the backup's
  // progress dialog, as the README shows them.
  void pictures() {
    const QString folder = qEnvironmentVariable("RVC_SCREENSHOT");
    if (folder.isEmpty()) QSKIP("RVC_SCREENSHOT is not set");
    backup::CRestoreDlg model;
    model.BackupFolder = "/srv/backups/RVC_Backup_rip-01_2026_12_06_07-45";
    model.Flavours = {"Approval", "Ravlin Proof", "Ravlin Tiff", "Velmora Dedezi"};
    model.SelectedFlavour = 2;
    model.Dispatchers = {"Mono", "Mono1", "Mono3_OrvaTiffsetter"};
    model.DispatcherSelected = {false, true, false};
    RestoreView view(model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(view.grab().save(folder + "/restore.png"));

    CQtUserInterface ui;
    const std::unique_ptr<IProgress> progress = ui.BeginCancellableProgress("Backup", 13);
    for (int step = 0; step < 5; ++step) progress->Step();
    progress->SetText("Ravlin Tiff: Mono1");
    QProgressDialog* dialog = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* found = qobject_cast<QProgressDialog*>(widget)) dialog = found;
    }
    QVERIFY(dialog != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(dialog->grab().save(folder + "/backup-progress.png"));
  }
};

}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::RestoreViewTest)
#include "restore_view_test.moc"
