// The Restore view over its model: the lists as the model holds them, and the selections
// written back on Restore.
#include <QListWidget>
#include <QTest>

#include "backup/restore.h"
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
};

}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::RestoreViewTest)
#include "restore_view_test.moc"
