#include "gui/general_page_view.h"

#include <QPixmap>
#include <QSignalBlocker>
#include <QStyle>

#include "gui/plain_row_delegate.h"
#include "gui/qt_text.h"
#include "settings/general_page.h"
#include "ui_general_page_view.h"

namespace rvc::ui {

GeneralPageView::GeneralPageView(settings::CGeneral& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::GeneralPageView>()) {
  ui_->setupUi(this);
  setWindowFlags(Qt::Widget);  // lives in the dialog's tab
  // Every row is an icon and a line of text in one font: the list lays the rows out from
  // the first one's size instead of measuring the text of each (a dispatcher may hold
  // dozens of configurations). The rows are as wide as the list; a name wider than the
  // list is cut, not scrolled to, as in a list box; the rows are painted so too.
  ui_->configurationList->setUniformItemSizes(true);
  ui_->configurationList->setItemDelegate(new CPlainRowDelegate(ui_->configurationList));
  connect(ui_->configurationList, &QListWidget::currentRowChanged, this, [this](int row) {
    model_.Select(row);
    ShowButtons();
  });
  connect(ui_->configurationList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_.OnDoubleClick(ui_->configurationList->row(item));
    Refresh();
  });
  // Plain functions, not pointers to members (gui/configuration_view.cpp says why).
  using Model = settings::CGeneral;
  const auto command = [this](QPushButton* button, void (*run)(Model&)) {
    connect(button, &QPushButton::clicked, this, [this, run] {
      run(model_);
      Refresh();
    });
  };
  command(ui_->newButton, [](Model& m) { m.OnNew(); });
  command(ui_->modifyButton, [](Model& m) { m.OnModify(); });
  command(ui_->viewButton, [](Model& m) { m.OnView(); });
  command(ui_->deleteButton, [](Model& m) { m.OnDelete(); });
  command(ui_->useAsDefaultButton, [](Model& m) { m.OnUseAsDefault(); });
  Refresh();
}

GeneralPageView::~GeneralPageView() = default;

void GeneralPageView::Refresh() {
  const QSignalBlocker blocker(ui_->configurationList);
  QListWidget& list = *ui_->configurationList;
  list.clear();
  QPixmap blank(16, 16);
  blank.fill(Qt::transparent);
  const QIcon none(blank);
  const QIcon inUse = style()->standardIcon(QStyle::SP_DialogApplyButton);
  const auto& names = model_.Configurations();
  for (size_t i = 0; i < names.size(); ++i) {
    list.addItem(new QListWidgetItem(static_cast<int>(i) == model_.InUseIndex() ? inUse : none, ToQt(names[i])));
  }
  list.setCurrentRow(model_.SelectedIndex());
  ShowButtons();
}

void GeneralPageView::ShowButtons() {
  using Button = settings::CGeneral::Button;
  ui_->newButton->setEnabled(model_.Enabled(Button::New));
  ui_->modifyButton->setEnabled(model_.Enabled(Button::Modify));
  ui_->viewButton->setEnabled(model_.Enabled(Button::View));
  ui_->deleteButton->setEnabled(model_.Enabled(Button::Delete));
  ui_->useAsDefaultButton->setEnabled(model_.Enabled(Button::UseAsDefault));
}

}  // namespace rvc::ui
