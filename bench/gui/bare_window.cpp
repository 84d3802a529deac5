// The baselines of the start-up benchmark: a bare Qt window of the main window's size
// and, built with RVC_BENCH_LABEL, the same window with one line of text, which makes Qt
// load its font database as any window with text must. At its first paint it prints
// "first-paint <ns>" (CLOCK_MONOTONIC), as rvc_setup does with RVC_FIRST_PAINT, and ends.
#include <time.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class BareWindow : public QWidget {
 protected:
  void paintEvent(QPaintEvent*) override {
    if (painted_) return;
    painted_ = true;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first-paint %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    QTimer::singleShot(0, this, &QWidget::close);
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  BareWindow window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  window.resize(640, 400);
#ifdef RVC_BENCH_LABEL
  QLabel label(QStringLiteral("Ravlin Configurator"), &window);
  label.move(20, 20);
#endif
  window.show();
  return application.exec();
}
