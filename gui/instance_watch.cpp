#include "gui/instance_watch.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "frame/single_instance.h"
#include "gui/qt_user_interface.h"

namespace rvc::ui {

CInstanceWatch::CInstanceWatch(std::function<frame::CSingleInstance*()> instance, QObject* parent)
    : QObject(parent), instance_(std::move(instance)) {}

void CInstanceWatch::Ensure() {
  if (notifier_ != nullptr || !instance_) return;
  frame::CSingleInstance* instance = instance_();
  if (instance == nullptr || instance->ListenHandle() < 0) return;
  notifier_ = new QSocketNotifier(instance->ListenHandle(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    if (frame::CSingleInstance* current = instance_()) current->ServePending();
  });
}

void CInstanceWatch::BringToFront() {
  QWidget* modal = QApplication::activeModalWidget();
  QWidget* window = MainWindow();
  if (window == nullptr) window = modal;
  if (window == nullptr) {
    for (QWidget* candidate : QApplication::topLevelWidgets()) {
      if (candidate->isVisible()) {
        window = candidate;
        break;
      }
    }
  }
  if (window == nullptr) return;
  if (window->isMinimized()) {
    window->showNormal();
  } else {
    window->raise();
    window->activateWindow();
  }
  if (modal != nullptr && modal != window) {
    modal->raise();
    modal->activateWindow();
  }
}

}  // namespace rvc::ui
