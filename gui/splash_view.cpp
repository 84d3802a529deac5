#include "gui/splash_view.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "gui/fresh_memory.h"
#include "gui/pictures.h"

namespace rvc::ui {

SplashView::SplashView(bool velmora, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), velmora_(velmora) {
  setObjectName(QStringLiteral("SplashView"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The picture covers the whole window: no background is drawn under it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedSize(SplashSize());
  MakePresentWhenShown(*this);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

void SplashView::paintEvent(QPaintEvent*) {
  // Painted straight into the window: a picture in between would be one more buffer of
  // the window's size to fill and copy.
  QPainter painter(this);
  PaintSplash(painter, velmora_);
}

}  // namespace rvc::ui
