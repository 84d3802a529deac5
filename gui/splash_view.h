// The splash of an interactive start: the splash bitmap with the build text, shown
// without a frame until the first window of the program appears.
#pragma once

#include <QWidget>

namespace rvc::ui {

class SplashView : public QWidget {
  Q_OBJECT
 public:
  explicit SplashView(bool velmora, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool velmora_;
};

}  // namespace rvc::ui
