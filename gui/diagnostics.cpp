#include "gui/diagnostics.h"

#include <time.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <cstdio>
#include <iterator>

namespace rvc::ui {
namespace {

constexpr int kSettleMs = 300;  // lets fonts and layouts settle before a grab

class Diagnostics : public QObject {
 public:
  Diagnostics(QString screenshots, bool firstPaint)
      : QObject(qApp), screenshots_(std::move(screenshots)), firstPaint_(firstPaint) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !widget->isWindow()) return false;
    const QString name = widget->objectName();
    if (event->type() == QEvent::Paint && name == QLatin1String("MainWindowView") && !mainPainted_) {
      mainPainted_ = true;
      OnMainWindowPainted(widget);
    } else if (event->type() == QEvent::Show && name == QLatin1String("NewDispatcherView") && !screenshots_.isEmpty()) {
      QTimer::singleShot(kSettleMs, widget, [this, widget] { OnNewDialogShown(widget); });
    } else if (event->type() == QEvent::Show && name == QLatin1String("ModifyDispatcherView") &&
               !screenshots_.isEmpty()) {
      QTimer::singleShot(kSettleMs, widget, [this, widget] { OnModifyTab(widget, 0); });
    }
    return false;
  }

 private:
  void OnMainWindowPainted(QWidget* window) {
    if (firstPaint_) {
      timespec now{};
      ::clock_gettime(CLOCK_MONOTONIC, &now);
      std::printf("first-paint %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
      std::fflush(stdout);
      QTimer::singleShot(0, window, [window] { window->close(); });
      return;
    }
    if (screenshots_.isEmpty()) return;
    main_ = window;
    if (auto* flavours = window->findChild<QComboBox*>(QStringLiteral("flavourCombo"))) {
      const int entry = flavours->findText(qEnvironmentVariable("RVC_SCREENSHOT_FLAVOUR"));
      if (entry >= 0) flavours->setCurrentIndex(entry);
    }
    bool rowGiven = false;
    const int row = qEnvironmentVariableIntValue("RVC_SCREENSHOT_ROW", &rowGiven);
    if (auto* list = window->findChild<QTreeWidget*>(QStringLiteral("dispatcherList")); list && rowGiven) {
      if (QTreeWidgetItem* item = list->topLevelItem(row)) Click(list->viewport(), list->visualItemRect(item).center());
    }
    QTimer::singleShot(kSettleMs, window, [this, window] {
      Save(window, QStringLiteral("main-window.png"));
      if (auto* button = window->findChild<QAbstractButton*>(QStringLiteral("newButton"))) {
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
      }
    });
  }

  void OnNewDialogShown(QWidget* dialog) {
    Save(dialog, QStringLiteral("new-dispatcher.png"));
    if (auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
      box->button(QDialogButtonBox::Cancel)->click();
    }
    if (main_ == nullptr) return;
    if (auto* button = main_->findChild<QAbstractButton*>(QStringLiteral("modifyButton"))) {
      QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    } else {
      QTimer::singleShot(0, main_, [this] { main_->close(); });
    }
  }

  // The Modify dialog, one picture per tab: its own pages and the first plug-in page.
  void OnModifyTab(QWidget* dialog, int tab) {
    static const char* const kPictures[] = {"modify-general.png", "modify-setup.png", "modify-swapfiles.png",
                                            "modify-plugin-page.png"};
    auto* tabs = dialog->findChild<QTabWidget*>(QStringLiteral("tabWidget"));
    if (tabs != nullptr && tab < tabs->count() && tab < static_cast<int>(std::size(kPictures))) {
      tabs->setCurrentIndex(tab);
      QTimer::singleShot(kSettleMs, dialog, [this, dialog, tab] {
        Save(dialog, QString::fromLatin1(kPictures[tab]));
        OnModifyTab(dialog, tab + 1);
      });
      return;
    }
    if (auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))) {
      box->button(QDialogButtonBox::Cancel)->click();
    }
    if (main_ != nullptr) QTimer::singleShot(0, main_, [this] { main_->close(); });
  }

  // A click as the mouse makes it.
  static void Click(QWidget* widget, QPoint at) {
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
  }

  void Save(QWidget* widget, const QString& file) {
    QDir().mkpath(screenshots_);
    const QString path = QDir(screenshots_).filePath(file);
    const bool saved = widget->grab().save(path, "PNG");
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "could not save", path.toUtf8().constData());
  }

  QString screenshots_;
  bool firstPaint_;
  bool mainPainted_ = false;
  QWidget* main_ = nullptr;
};

}  // namespace

void InstallDiagnostics() {
  const QString screenshots = qEnvironmentVariable("RVC_SCREENSHOT");
  const bool firstPaint = !qEnvironmentVariable("RVC_FIRST_PAINT").isEmpty();
  if (screenshots.isEmpty() && !firstPaint) return;
  qApp->installEventFilter(new Diagnostics(screenshots, firstPaint));
}

}  // namespace rvc::ui
