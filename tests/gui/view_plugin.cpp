// A plug-in library as a vendor builds one: it needs the registry's header and Qt, not
// rvc_gui, and registers the view of its page when the program has loaded it.
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/view_registry.h"
#include "tests/gui/plugin_page.h"

namespace {

class PluginPageView : public rvc::ui::CDialogView {
 public:
  PluginPageView(rvc::test::PluginPage& model, QWidget* parent) : CDialogView(model, parent) {
    setObjectName("PluginPageView");
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QString::fromStdString(model.Text), this);
    text->setObjectName("pageText");
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName("buttonBox");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
  }
};

}  // namespace

extern "C" void RvcRegisterViews(rvc::ui::IViewRegistry* views) {
  views->Register<rvc::test::PluginPage>(
      [](rvc::test::PluginPage& model, QWidget* parent) { return std::make_unique<PluginPageView>(model, parent); });
}
