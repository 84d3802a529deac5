// Helpers of the Qt view tests: a driver that answers the modal dialogs and message boxes
// that the code under test opens.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>

#include "gui/feature_views.h"
#include "tests/support/loaded_sample.h"
#include "tests/support/test_support.h"

namespace rvc::test {

// The child widget of `parent` named `name`; a missing one ends the test run, since every
// later step would act on nothing.
template <typename T>
T* Find(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  if (child == nullptr) qFatal("no widget %s", name);
  return child;
}

struct ShownMessage {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  QString over;  // the object name of the window it belongs to
  int width = 0;      // of the box, as shown
  int textWidth = 0;  // of its text
};

// The views of every feature's dialogs, as the program registers them.
inline void RegisterAllViews() {
  ui::IViewRegistry& views = ui::Views();
  ui::RegisterFrameViews(views);
  ui::RegisterLifecycleViews(views);
  ui::RegisterSettingsViews(views);
  ui::RegisterRipconfigViews(views);
  ui::RegisterWindowViews(views);
}

// Watches for modal widgets while it lives. A widget with a handler queued under its
// object name goes to that handler (which closes it); a message box is recorded and
// answered with the next queued button (default: Yes, else OK); anything else is recorded
// as unexpected and rejected, so that a test never hangs on a dialog.
class ModalDriver : public QObject {
 public:
  using Handler = std::function<void(QWidget*)>;

  ModalDriver() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::Poll);
    timer_.start();
  }

  void Expect(const QString& objectName, Handler handler) { handlers_[objectName].push_back(std::move(handler)); }
  void Answer(QMessageBox::StandardButton button) { answers_.push_back(button); }
  bool AllHandled() const {
    for (const auto& [name, queue] : handlers_) {
      if (!queue.empty()) return false;
    }
    return true;
  }

  QList<ShownMessage> messages;
  QStringList unexpected;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    for (const QPointer<QWidget>& seen : handled_) {
      if (seen == modal) return;  // still on its way out, or back on top after a dialog of its own
    }
    handled_.push_back(modal);
    // A progress dialog waits for nobody.
    if (qobject_cast<QProgressDialog*>(modal) != nullptr) return;
    // Handlers run from a timer of their own, so that a dialog they open in turn is
    // driven by this one.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      const QWidget* over = box->parentWidget();
      const QWidget* text = box->findChild<QWidget*>(QStringLiteral("qt_msgbox_label"));
      messages.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                          over != nullptr ? over->objectName() : QString(), box->width(),
                          text != nullptr ? text->width() : 0});
      QMessageBox::StandardButton answer =
          box->standardButtons() & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok;
      if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
      }
      QPointer<QAbstractButton> button = box->button(answer);
      QTimer::singleShot(0, box, [button] {
        if (button) button->click();
      });
      return;
    }
    auto queue = handlers_.find(modal->objectName());
    if (queue != handlers_.end() && !queue->second.empty()) {
      Handler handler = std::move(queue->second.front());
      queue->second.pop_front();
      QPointer<QWidget> target = modal;
      QTimer::singleShot(0, modal, [this, handler, target] {
        if (target) handler(target);
        // A handler that stopped early (a failed check) must not leave the test hanging.
        if (target && target->isVisible()) {
          unexpected << target->objectName() + " left open";
          Close(target);
        }
      });
      return;
    }
    unexpected << modal->objectName() + " " + modal->windowTitle();
    Close(modal);
  }

  static void Close(QWidget* widget) {
    if (auto* dialog = qobject_cast<QDialog*>(widget)) {
      QTimer::singleShot(0, dialog, &QDialog::reject);
    } else {
      QTimer::singleShot(0, widget, &QWidget::close);
    }
  }

  QTimer timer_;
  QList<QPointer<QWidget>> handled_;
  std::map<QString, std::deque<Handler>> handlers_;
  std::deque<QMessageBox::StandardButton> answers_;
};

}  // namespace rvc::test
