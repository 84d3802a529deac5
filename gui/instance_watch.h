// One interactive instance: the first instance watches its single-instance socket in the
// event loop, and a later start's request brings its window to the front.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace rvc::frame {
class CSingleInstance;
}

namespace rvc::ui {

class CInstanceWatch : public QObject {
  Q_OBJECT
 public:
  // `instance` gives the process's single-instance object, or nullptr while there is none
  // (it is made by the start-up after the event loop's owner exists).
  explicit CInstanceWatch(std::function<frame::CSingleInstance*()> instance, QObject* parent = nullptr);

  // Starts watching once the instance exists; cheap to call again.
  void Ensure();

  // The bring-to-front hook: restores the main window when it is minimised, otherwise
  // raises and activates it; an open dialog of it comes to the front too.
  static void BringToFront();

 private:
  std::function<frame::CSingleInstance*()> instance_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace rvc::ui
