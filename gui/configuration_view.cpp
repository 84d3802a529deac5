#include "gui/configuration_view.h"

#include <utility>

#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <array>

#include "gui/qt_text.h"
#include "ripconfig/configuration_dialog.h"
#include "ui_configuration_view.h"

namespace rvc::ui {
namespace {

// The rows of one list; the used row carries the check image.
void ShowList(QListWidget* widget, const ripconfig::CConfiguration::List& list) {
  const QSignalBlocker blocker(widget);
  const QIcon check = widget->style()->standardIcon(QStyle::SP_DialogApplyButton);
  QPixmap empty(16, 16);
  empty.fill(Qt::transparent);
  widget->setIconSize(QSize(16, 16));
  widget->clear();
  for (size_t i = 0; i < list.names.size(); ++i) {
    auto* row = new QListWidgetItem(static_cast<int>(i) == list.used ? check : QIcon(empty), ToQt(list.names[i]));
    widget->addItem(row);
  }
  widget->setCurrentRow(list.selected);
}

}  // namespace

ConfigurationView::ConfigurationView(ripconfig::CConfiguration& model, QWidget* parent)
    : CDialogView(model, parent), model_(model), ui_(std::make_unique<Ui::ConfigurationView>()) {
  ui_->setupUi(this);
  setWindowTitle(ToQt(model_.Title()));
  ui_->nameEdit->setText(ToQt(model_.Name));
  ui_->outputEdit->setText(ToQt(model_.OutputFolder));
  const bool editable = model_.Editable();
  ui_->nameEdit->setEnabled(editable);
  ui_->outputEdit->setEnabled(editable);
  ui_->browseButton->setEnabled(editable);

  // After a handler the lists are shown again; an editor it opened may have changed them.
  // The handlers are plain functions, not pointers to members: GCC 12 instruments a call
  // through a pointer to a member of a polymorphic class (-fsanitize=vptr) with a check
  // that reads the object's address from a register only the virtual branch has loaded.
  using Model = ripconfig::CConfiguration;
  using Handler = void (*)(Model&);
  const std::pair<QAbstractButton*, Handler> handlers[] = {
      {ui_->mediaNewButton, [](Model& m) { m.OnMediaNew(); }},
      {ui_->mediaModifyButton, [](Model& m) { m.OnMediaModify(); }},
      {ui_->mediaDeleteButton, [](Model& m) { m.OnMediaDelete(); }},
      {ui_->mediaViewButton, [](Model& m) { m.OnMediaView(); }},
      {ui_->useMediaButton, [](Model& m) { m.OnUseMedia(); }},
      {ui_->setNewButton, [](Model& m) { m.OnSetNew(); }},
      {ui_->setModifyButton, [](Model& m) { m.OnSetModify(); }},
      {ui_->setDeleteButton, [](Model& m) { m.OnSetDelete(); }},
      {ui_->setViewButton, [](Model& m) { m.OnSetView(); }},
      {ui_->useSetButton, [](Model& m) { m.OnUseSet(); }},
  };
  for (const auto& [button, handler] : handlers) {
    connect(button, &QAbstractButton::clicked, this, [this, handler = handler] {
      handler(model_);
      Show();
    });
  }
  connect(ui_->browseButton, &QPushButton::clicked, this, [this] {
    model_.OutputFolder = FromQt(ui_->outputEdit->text());
    model_.OnBrowse();
    ui_->outputEdit->setText(ToQt(model_.OutputFolder));
  });
  connect(ui_->mediaList, &QListWidget::currentRowChanged, this, [this](int row) {
    model_.OnMediaClick(row);
    Show();
  });
  connect(ui_->setList, &QListWidget::currentRowChanged, this, [this](int row) {
    model_.OnSetClick(row);
    Show();
  });
  connect(ui_->mediaList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_.OnMediaDoubleClick(ui_->mediaList->row(item));
    Show();
  });
  connect(ui_->setList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_.OnSetDoubleClick(ui_->setList->row(item));
    Show();
  });
  connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &ConfigurationView::accept);
  connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &ConfigurationView::reject);
  Show();
}

ConfigurationView::~ConfigurationView() = default;

void ConfigurationView::Show() {
  ShowList(ui_->mediaList, model_.Media);
  ShowList(ui_->setList, model_.Sets);
  ui_->mediaNewButton->setEnabled(model_.NewEnabled());
  ui_->setNewButton->setEnabled(model_.NewEnabled());
  for (auto [list, buttons] : {std::pair{&model_.Media, std::array{ui_->mediaModifyButton, ui_->mediaDeleteButton,
                                                                   ui_->useMediaButton, ui_->mediaViewButton}},
                               std::pair{&model_.Sets, std::array{ui_->setModifyButton, ui_->setDeleteButton,
                                                                  ui_->useSetButton, ui_->setViewButton}}}) {
    for (int i = 0; i < 3; ++i) buttons[static_cast<size_t>(i)]->setEnabled(model_.ModifyEnabled(*list));
    buttons[3]->setEnabled(model_.ViewEnabled(*list));
  }
}

void ConfigurationView::WriteBack() {
  model_.Name = FromQt(ui_->nameEdit->text());
  model_.OutputFolder = FromQt(ui_->outputEdit->text());
}

QWidget* ConfigurationView::FieldWidget(const std::string& field) {
  if (field == ripconfig::CConfiguration::kNameField) return ui_->nameEdit;
  if (field == ripconfig::CConfiguration::kMediaField) return ui_->mediaList;
  if (field == ripconfig::CConfiguration::kOutputField) return ui_->outputEdit;
  return nullptr;
}

}  // namespace rvc::ui
