#include "gui/x11_splash.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "gui/pictures.h"

namespace rvc::ui {
namespace {

// Rows of the picture painted at a time: 40 KB, the same ten pages for every band.
constexpr int kBandRows = 20;
constexpr std::uint8_t kDepth = 24;

xcb_connection_t* ApplicationConnection() {
  if (qGuiApp == nullptr) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 == nullptr ? nullptr : x11->connection();
}

// The screen number of DISPLAY (":0.1" is screen 1 of display 0), as XCB reads it.
int ScreenNumber() {
  char* host = nullptr;
  int display = 0, screen = 0;
  if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) return 0;
  std::free(host);
  return screen;
}

// The screen, when its root window's pixels are what QImage::Format_RGB32 holds: 24-bit
// true colour with red, green and blue from the high byte down, in 32-bit words of the
// server's byte order, which is this machine's.
xcb_screen_t* TrueColourScreen(xcb_connection_t* connection, int number) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const auto ownOrder =
      std::endian::native == std::endian::little ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
  if (setup->image_byte_order != ownOrder) return nullptr;
  bool words = false;
  for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem > 0; xcb_format_next(&format)) {
    if (format.data->depth == kDepth) words = format.data->bits_per_pixel == 32;
  }
  if (!words) return nullptr;
  auto roots = xcb_setup_roots_iterator(setup);
  for (int skipped = 0; skipped < number && roots.rem > 0; ++skipped) xcb_screen_next(&roots);
  if (roots.rem <= 0 || roots.data->root_depth != kDepth) return nullptr;
  xcb_screen_t* screen = roots.data;
  for (auto depth = xcb_screen_allowed_depths_iterator(screen); depth.rem > 0; xcb_depth_next(&depth)) {
    for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem > 0; xcb_visualtype_next(&visual)) {
      const xcb_visualtype_t& type = *visual.data;
      if (type.visual_id != screen->root_visual) continue;
      const bool rgb = type._class == XCB_VISUAL_CLASS_TRUE_COLOR && type.red_mask == 0xff0000u &&
                       type.green_mask == 0xff00u && type.blue_mask == 0xffu;
      return rgb ? screen : nullptr;
    }
  }
  return nullptr;
}

void Fill(xcb_connection_t* connection, xcb_drawable_t target, xcb_gcontext_t gc, QRgb colour, const QRect& area) {
  const std::uint32_t pixel = colour & 0xffffffu;
  xcb_change_gc(connection, gc, XCB_GC_FOREGROUND, &pixel);
  const xcb_rectangle_t rectangle{static_cast<std::int16_t>(area.x()), static_cast<std::int16_t>(area.y()),
                                  static_cast<std::uint16_t>(area.width()), static_cast<std::uint16_t>(area.height())};
  xcb_poly_fill_rectangle(connection, target, gc, 1, &rectangle);
}

// Paints the splash into `target` band by band: each run of rows that begin with the same
// colour is filled with it by the server, and the box around the pixels of the band that
// differ from their row's first is sent as an image.
void PaintInto(xcb_connection_t* connection, xcb_drawable_t target, bool velmora) {
  const xcb_gcontext_t gc = xcb_generate_id(connection);
  xcb_create_gc(connection, gc, target, 0, nullptr);
  const QSize size = SplashSize();
  const int width = size.width();
  QImage band(width, kBandRows, QImage::Format_RGB32);
  std::vector<QRgb> box;
  const auto row = [&band](int y) { return reinterpret_cast<const QRgb*>(band.constScanLine(y)); };
  for (int top = 0; top < size.height(); top += kBandRows) {
    const int rows = std::min(kBandRows, size.height() - top);
    {
      QPainter painter(&band);
      painter.translate(0, -top);
      PaintSplash(painter, velmora, QRect(0, top, width, rows));
    }
    int left = width, right = -1, first = rows, last = -1;
    for (int y = 0; y < rows;) {
      const QRgb ground = row(y)[0];
      int end = y;
      for (; end < rows && row(end)[0] == ground; ++end) {
        const QRgb* pixels = row(end);
        const QRgb* const from = std::find_if(pixels, pixels + width, [ground](QRgb pixel) { return pixel != ground; });
        if (from == pixels + width) continue;
        const QRgb* to = pixels + width;
        while (*(to - 1) == ground) --to;
        left = std::min(left, static_cast<int>(from - pixels));
        right = std::max(right, static_cast<int>(to - pixels) - 1);
        first = std::min(first, end);
        last = end;
      }
      Fill(connection, target, gc, ground, QRect(0, top + y, width, end - y));
      y = end;
    }
    if (right < left) continue;
    const int boxWidth = right - left + 1;
    const int boxHeight = last - first + 1;
    box.resize(static_cast<std::size_t>(boxWidth) * static_cast<std::size_t>(boxHeight));
    for (int y = first; y <= last; ++y) {
      std::copy_n(row(y) + left, boxWidth, box.begin() + static_cast<std::ptrdiff_t>(y - first) * boxWidth);
    }
    xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, target, gc, static_cast<std::uint16_t>(boxWidth),
                  static_cast<std::uint16_t>(boxHeight), static_cast<std::int16_t>(left),
                  static_cast<std::int16_t>(top + first), 0, kDepth,
                  static_cast<std::uint32_t>(box.size() * sizeof(QRgb)), reinterpret_cast<const std::uint8_t*>(box.data()));
  }
  xcb_free_gc(connection, gc);
}

// The properties that make the window a splash for a window manager: its type, no frame,
// its program and process.
class SplashHints {
 public:
  explicit SplashHints(xcb_connection_t* connection) : connection_(connection) {
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      requests_[i] = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(kNames[i].size()), kNames[i].data());
    }
  }

  // Waits for the atoms asked for on construction and sets the properties of `window`,
  // whose size is `size`.
  void SetOn(xcb_window_t window, QSize size) {
    std::array<xcb_atom_t, kNames.size()> atoms{};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
      xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, requests_[i], nullptr);
      atoms[i] = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
      std::free(reply);
    }
    const auto set = [this, window](xcb_atom_t property, xcb_atom_t type, std::uint8_t format, std::uint32_t count,
                                    const void* data) {
      if (property != XCB_ATOM_NONE && type != XCB_ATOM_NONE) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, type, format, count, data);
      }
    };
    set(atoms[kWindowType], XCB_ATOM_ATOM, 32, 1, &atoms[kSplashType]);
    // Motif's hints: decorations given (flag 2), none of them.
    const std::uint32_t noFrame[5] = {2, 0, 0, 0, 0};
    set(atoms[kMotifHints], atoms[kMotifHints], 32, 5, noFrame);
    // Its place and fixed size (program-given position and size, least and most size),
    // and no keyboard focus wanted.
    const auto width = static_cast<std::uint32_t>(size.width()), height = static_cast<std::uint32_t>(size.height());
    const std::uint32_t sizes[18] = {4 | 8 | 16 | 32, 0, 0, 0, 0, width, height, width, height};
    set(XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, sizes);
    const std::uint32_t noInput[9] = {1, 0};
    set(XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32, 9, noInput);
    const auto pid = static_cast<std::uint32_t>(::getpid());
    set(atoms[kPid], XCB_ATOM_CARDINAL, 32, 1, &pid);
    // WM_CLASS: the instance and the class name, each ended by a zero byte.
    std::string names = std::string(program_invocation_short_name) + '\0' +
                        QGuiApplication::applicationName().toStdString() + '\0';
    set(XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(names.size()), names.data());
  }

 private:
  enum { kWindowType, kSplashType, kMotifHints, kPid };
  static constexpr std::array<std::string_view, 4> kNames = {"_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_SPLASH",
                                                            "_MOTIF_WM_HINTS", "_NET_WM_PID"};
  xcb_connection_t* connection_;
  std::array<xcb_intern_atom_cookie_t, kNames.size()> requests_{};
};

}  // namespace

std::unique_ptr<CX11Splash> CX11Splash::Show(bool velmora) {
  xcb_connection_t* connection = ApplicationConnection();
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (connection == nullptr || primary == nullptr || primary->devicePixelRatio() != 1.0) return nullptr;
  const xcb_screen_t* screen = TrueColourScreen(connection, ScreenNumber());
  if (screen == nullptr) return nullptr;
  // The atoms are asked for first and read once the picture is painted, by when the
  // server has answered.
  SplashHints hints(connection);
  const QSize size = SplashSize();
  const xcb_pixmap_t picture = xcb_generate_id(connection);
  xcb_create_pixmap(connection, kDepth, picture, screen->root, static_cast<std::uint16_t>(size.width()),
                    static_cast<std::uint16_t>(size.height()));
  PaintInto(connection, picture, velmora);

  const QPoint origin = primary->availableGeometry().center() - QRect(QPoint(), size).center();
  const xcb_window_t window = xcb_generate_id(connection);
  const std::uint32_t background = picture;
  xcb_create_window(connection, kDepth, window, screen->root, static_cast<std::int16_t>(origin.x()),
                    static_cast<std::int16_t>(origin.y()), static_cast<std::uint16_t>(size.width()),
                    static_cast<std::uint16_t>(size.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                    XCB_CW_BACK_PIXMAP, &background);
  // The window keeps its background; the id is not needed any more.
  xcb_free_pixmap(connection, picture);
  hints.SetOn(window, size);
  xcb_map_window(connection, window);
  xcb_flush(connection);
  return std::unique_ptr<CX11Splash>(new CX11Splash(window));
}

CX11Splash::~CX11Splash() {
  if (xcb_connection_t* connection = ApplicationConnection()) {
    xcb_destroy_window(connection, window_);
    xcb_flush(connection);
  }
}

}  // namespace rvc::ui
