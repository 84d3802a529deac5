#include "gui/window_fit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace rvc::ui {
namespace {

// Window managers draw titles in a bold face; the window icon and the three buttons
// (minimise, maximise, close) take about this much beside the text.
constexpr int kTitleBarExtras = 160;

int ScreenWidth(const QWidget& window) {
  const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry().width() : 1024;
}

// The widest a message box makes itself; beyond it, its text wraps anywhere.
int MessageBoxLimit(const QWidget& box) {
  const int screen = ScreenWidth(box);
  return screen <= 1024 ? screen : std::min(screen - 480, 1000);
}

}  // namespace

int TitleBarWidth(const QString& title) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  return QFontMetrics(bold).horizontalAdvance(title) + kTitleBarExtras;
}

void FitTitle(QWidget& window) {
  const int needed = std::min(TitleBarWidth(window.windowTitle()), ScreenWidth(window));
  if (window.minimumWidth() < needed) window.setMinimumWidth(needed);
}

void FitMessageBox(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  // The text sits right of the icon; a path is one word that the box cannot wrap.
  int longestWord = 0;
  const QFontMetrics metrics(box.font());
  for (const QString& word : box.text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
    longestWord = std::max(longestWord, metrics.horizontalAdvance(word));
  }
  const QMargins margins = grid->contentsMargins();
  const int iconWidth = box.iconPixmap().isNull() ? 0 : box.iconPixmap().deviceIndependentSize().toSize().width();
  const int text = longestWord + iconWidth + 2 * grid->horizontalSpacing() + margins.left() + margins.right();
  const int needed = std::min(std::max(TitleBarWidth(box.windowTitle()), text), MessageBoxLimit(box));
  // The box sets its own fixed size when it shows, from its layout's minimum width.
  grid->addItem(new QSpacerItem(needed, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
}

}  // namespace rvc::ui
