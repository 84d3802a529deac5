#include "gui/setup_page_view.h"

#include <QSignalBlocker>

#include "gui/qt_text.h"
#include "settings/setup_page.h"
#include "ui_setup_page_view.h"

namespace rvc::ui {

SetupPageView::SetupPageView(settings::CSetup& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::SetupPageView>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Widget);  // lives in the dialog's tab
  QTreeWidget& list = *ui_->environmentList;
  connect(&list, &QTreeWidget::itemClicked, this, [this, &list](QTreeWidgetItem* item) {
    model_.Click(list.indexOfTopLevelItem(item));
    ShowButtons();
  });
  // A double-click, or Enter on a row; Enter without a row goes on to the dialog.
  connect(&list, &QTreeWidget::itemActivated, this, [this, &list](QTreeWidgetItem* item) {
    model_.Click(list.indexOfTopLevelItem(item));
    model_.OnModify();
    Refresh();
  });
  const auto command = [this](QPushButton* button, auto run) {
    connect(button, &QPushButton::clicked, this, [this, run] {
      run(model_);
      Refresh();
    });
  };
  command(ui_->newButton, [](settings::CSetup& page) { page.OnNew(); });
  command(ui_->modifyButton, [](settings::CSetup& page) { page.OnModify(); });
  command(ui_->deleteButton, [](settings::CSetup& page) { page.OnDelete(); });
  command(ui_->hotFolderBrowse, [](settings::CSetup& page) { page.OnBrowse(settings::CSetup::HotFolder); });
  command(ui_->channel1Browse, [](settings::CSetup& page) { page.OnBrowse(settings::CSetup::Channel1); });
  command(ui_->channel2Browse, [](settings::CSetup& page) { page.OnBrowse(settings::CSetup::Channel2); });
  Refresh();
}

SetupPageView::~SetupPageView() = default;

void SetupPageView::Refresh() {
  const QSignalBlocker blocker(ui_->environmentList);
  QTreeWidget& list = *ui_->environmentList;
  list.clear();
  for (const settings::EnvironmentRow& row : model_.Rows()) {
    auto* item = new QTreeWidgetItem(QStringList{ToQt(row.name), ToQt(row.value), ToQt(row.comment)});
    // Values are mostly paths, cut in the middle so that their ends stay in sight; the
    // whole value shows on hovering.
    item->setToolTip(1, item->text(1));
    list.addTopLevelItem(item);
  }
  // The variable names are short and are what the operator looks for: never cut.
  list.resizeColumnToContents(0);
  if (model_.ClickedRow() >= 0) list.setCurrentItem(list.topLevelItem(model_.ClickedRow()));
  ui_->hotFolderEdit->setText(ToQt(model_.FolderText(settings::CSetup::HotFolder)));
  ui_->channel1Edit->setText(ToQt(model_.FolderText(settings::CSetup::Channel1)));
  ui_->channel2Edit->setText(ToQt(model_.FolderText(settings::CSetup::Channel2)));
  ShowButtons();
}

void SetupPageView::ShowButtons() {
  ui_->newButton->setEnabled(model_.NewEnabled());
  ui_->modifyButton->setEnabled(model_.RowButtonsEnabled());
  ui_->deleteButton->setEnabled(model_.RowButtonsEnabled());
  for (QPushButton* browse : {ui_->hotFolderBrowse, ui_->channel1Browse, ui_->channel2Browse}) {
    browse->setEnabled(model_.BrowseEnabled());
  }
}

}  // namespace rvc::ui
