// The splash drawn by the X server, on an Xvfb of the test's own: it shows the same
// pixels as the splash widget paints, centred, as a splash window, until it is closed.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtTest>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "gui/pictures.h"
#include "gui/x11_splash.h"
#include "tests/support/xvfb.h"

namespace rvc::ui {
namespace {

xcb_connection_t* Connection() {
  return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

QImage WindowContents(xcb_window_t window, QSize size) {
  xcb_get_image_reply_t* reply = xcb_get_image_reply(
      Connection(),
      xcb_get_image(Connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, static_cast<std::uint16_t>(size.width()),
                    static_cast<std::uint16_t>(size.height()), ~0u),
      nullptr);
  if (reply == nullptr) return {};
  QImage contents(xcb_get_image_data(reply), size.width(), size.height(), QImage::Format_RGB32);
  QImage copy = contents.copy();
  std::free(reply);
  // The server leaves the unused top byte of each pixel as it likes.
  for (int y = 0; y < copy.height(); ++y) {
    auto* pixels = reinterpret_cast<QRgb*>(copy.scanLine(y));
    for (int x = 0; x < copy.width(); ++x) pixels[x] |= 0xff000000u;
  }
  return copy;
}

std::string AtomName(xcb_atom_t atom) {
  xcb_get_atom_name_reply_t* reply = xcb_get_atom_name_reply(Connection(), xcb_get_atom_name(Connection(), atom), nullptr);
  if (reply == nullptr) return {};
  std::string name(xcb_get_atom_name_name(reply), static_cast<std::size_t>(xcb_get_atom_name_name_length(reply)));
  std::free(reply);
  return name;
}

// The atoms of the window's _NET_WM_WINDOW_TYPE, by name.
std::string WindowType(xcb_window_t window) {
  const char kName[] = "_NET_WM_WINDOW_TYPE";
  xcb_intern_atom_reply_t* property =
      xcb_intern_atom_reply(Connection(), xcb_intern_atom(Connection(), 1, sizeof kName - 1, kName), nullptr);
  if (property == nullptr) return {};
  xcb_get_property_reply_t* value = xcb_get_property_reply(
      Connection(), xcb_get_property(Connection(), 0, window, property->atom, XCB_ATOM_ATOM, 0, 16), nullptr);
  std::free(property);
  if (value == nullptr) return {};
  std::string names;
  const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(value));
  for (int i = 0; i < xcb_get_property_value_length(value) / 4; ++i) names += AtomName(atoms[i]);
  std::free(value);
  return names;
}

class X11SplashTest : public QObject {
  Q_OBJECT

 private slots:
  void showsThePictureCentredUntilClosed_data() {
    QTest::addColumn<bool>("velmora");
    QTest::newRow("Ravlin") << false;
    QTest::newRow("Velmora") << true;
  }

  void showsThePictureCentredUntilClosed() {
    QFETCH(bool, velmora);
    auto splash = CX11Splash::Show(velmora);
    QVERIFY(splash != nullptr);
    const xcb_window_t window = splash->Window();

    const QImage expected = SplashPicture(velmora).toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(WindowContents(window, SplashSize()), expected);
    QCOMPARE(WindowType(window), std::string("_NET_WM_WINDOW_TYPE_SPLASH"));

    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), window), nullptr);
    QVERIFY(geometry != nullptr);
    const QRect shown(geometry->x, geometry->y, geometry->width, geometry->height);
    std::free(geometry);
    QCOMPARE(shown.center(), QGuiApplication::primaryScreen()->availableGeometry().center());

    splash.reset();
    xcb_generic_error_t* error = nullptr;
    std::free(xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), window), &error));
    QVERIFY(error != nullptr);  // the window is gone
    std::free(error);
  }
};

}  // namespace
}  // namespace rvc::ui

int main(int argc, char** argv) {
  if (!rvc::test::OnPath("Xvfb")) {
    std::printf("SKIP: Xvfb is not installed (Debian: xvfb)\n");
    return 0;
  }
  const rvc::test::Xvfb server;
  if (!server.Display()) {
    std::fprintf(stderr, "Xvfb did not start\n");
    return 1;
  }
  ::setenv("DISPLAY", server.Display()->c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  QGuiApplication application(argc, argv);
  rvc::ui::X11SplashTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "x11_splash_test.moc"
