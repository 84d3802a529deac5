#include "gui/application_style.h"

#include <QApplication>
#include <QFont>
#include <QIconEngine>
#include <QPointer>
#include <QWidget>

namespace rvc::ui {
namespace {

// A standard icon of a style, asked for when the icon is first painted or measured.
class DeferredStandardIcon : public QIconEngine {
 public:
  DeferredStandardIcon(const QStyle* style, QStyle::StandardPixmap which, const QWidget* widget)
      : style_(style), which_(which), widget_(const_cast<QWidget*>(widget)) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().actualSize(size, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    return Icon().pixmap(size, scale, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    return Icon().availableSizes(mode, state);
  }
  QString iconName() override { return Icon().name(); }
  // Asked when a button is laid out; the styles provide this icon, so looking it up is
  // left to the first paint.
  bool isNull() override { return loaded_ && icon_.isNull(); }
  QString key() const override { return QStringLiteral("DeferredStandardIcon"); }
  QIconEngine* clone() const override { return new DeferredStandardIcon(*this); }

 private:
  const QIcon& Icon() {
    if (!loaded_) {
      loaded_ = true;
      icon_ = style_ != nullptr ? style_->standardIcon(which_, nullptr, widget_.data()) : QIcon();
    }
    return icon_;
  }

  QPointer<const QStyle> style_;
  QStyle::StandardPixmap which_;
  QPointer<QWidget> widget_;
  bool loaded_ = false;
  QIcon icon_;
};

}  // namespace

QIcon CApplicationStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option,
                                      const QWidget* widget) const {
  if (standardIcon == SP_ToolBarHorizontalExtensionButton && option == nullptr) {
    return QIcon(new DeferredStandardIcon(baseStyle(), standardIcon, widget));
  }
  if (option != nullptr) return QProxyStyle::standardIcon(standardIcon, option, widget);
  const Qt::LayoutDirection direction = widget != nullptr ? widget->layoutDirection() : QGuiApplication::layoutDirection();
  const int key = standardIcon * 2 + (direction == Qt::RightToLeft ? 1 : 0);
  auto known = icons_.constFind(key);
  if (known != icons_.constEnd()) return *known;
  return *icons_.insert(key, QProxyStyle::standardIcon(standardIcon, option, widget));
}

void InstallApplicationStyle() {
  QApplication::setStyle(new CApplicationStyle);
  // Texts in scripts that need no shaping go straight from characters to glyphs, with
  // the font's kerning; scripts that need it are still shaped.
  QFont font = QApplication::font();
  font.setStyleStrategy(QFont::PreferNoShaping);
  QApplication::setFont(font);
}

}  // namespace rvc::ui
