#include "plugins/samples/pages/sample_pages.h"

#include <cstdlib>
#include <deque>
#include <string>

#ifdef RVC_SAMPLE_WITH_QT
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#endif

namespace {

// Pages made without a tab control; kept for the life of the library so that their
// handles stay valid.
struct HeadlessPage {
  std::string text;
};
std::deque<HeadlessPage>& HeadlessPages() {
  static std::deque<HeadlessPage> pages;
  return pages;
}

std::string InitialText() {
  const char* text = std::getenv("RVC_PLUGIN_SAMPLE_TEXT");
  return text != nullptr ? text : "";
}

}  // namespace

void* SampleMakePage(void* tabControl, const char* caption) {
  if (tabControl == nullptr) {
    HeadlessPages().push_back({InitialText()});
    return &HeadlessPages().back();
  }
#ifdef RVC_SAMPLE_WITH_QT
  auto* page = new QWidget(static_cast<QTabWidget*>(tabControl));
  auto* layout = new QFormLayout(page);
  layout->addRow(new QLabel(QString::fromUtf8(caption), page));
  auto* field = new QLineEdit(QString::fromStdString(InitialText()), page);
  field->setObjectName("sampleField");
  layout->addRow(QStringLiteral("Value:"), field);
  return page;
#else
  (void)caption;
  return nullptr;
#endif
}

const char* SamplePageText(void* page) {
  for (HeadlessPage& headless : HeadlessPages()) {
    if (&headless == page) return headless.text.c_str();
  }
#ifdef RVC_SAMPLE_WITH_QT
  if (page != nullptr) {
    static std::string text;
    auto* field = static_cast<QWidget*>(page)->findChild<QLineEdit*>("sampleField");
    text = field != nullptr ? field->text().toStdString() : "";
    return text.c_str();
  }
#endif
  return "";
}
