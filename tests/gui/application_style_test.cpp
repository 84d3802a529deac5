// The application's style on the offscreen platform: the platform's style, whose menu bar
// overflow icon is looked up when it is first drawn and is then the platform style's own.
#include "gui/application_style.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

namespace rvc::ui {
namespace {

QImage Picture(const QIcon& icon) { return icon.pixmap(QSize(16, 16)).toImage(); }

class ApplicationStyleTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallApplicationStyle(); }

  void theOverflowIconIsThePlatformStylesOwn() {
    auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
    QVERIFY(style != nullptr);
    const QIcon platform = style->baseStyle()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    const QIcon deferred = style->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton);
    QVERIFY(!platform.isNull());
    QVERIFY(!deferred.isNull());
    QCOMPARE(deferred.availableSizes(), platform.availableSizes());
    QCOMPARE(Picture(deferred), Picture(platform));
    QVERIFY(!deferred.isNull());
  }

  void otherIconsAreThePlatformStylesOwn() {
    auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
    QVERIFY(style != nullptr);
    for (QStyle::StandardPixmap which : {QStyle::SP_MessageBoxWarning, QStyle::SP_DirIcon, QStyle::SP_FileIcon}) {
      QCOMPARE(Picture(style->standardIcon(which)), Picture(style->baseStyle()->standardIcon(which)));
    }
  }

  void aMenuBarTooNarrowForItsMenusShowsTheOverflowButtonWithTheIcon() {
    QMainWindow window;
    for (const char* title : {"&File", "&Edit", "&View", "&Tools", "&Window", "&Help"}) {
      window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Entry"));
    }
    window.resize(80, 120);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* button = window.menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
    QVERIFY(button != nullptr);
    QTRY_VERIFY(button->isVisible());
    const QIcon platform = qobject_cast<QProxyStyle*>(QApplication::style())
                               ->baseStyle()
                               ->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton, nullptr, window.menuBar());
    QCOMPARE(Picture(button->icon()), Picture(platform));
    QVERIFY(!button->grab().isNull());
  }
};

}  // namespace
}  // namespace rvc::ui

QTEST_MAIN(rvc::ui::ApplicationStyleTest)
#include "application_style_test.moc"
