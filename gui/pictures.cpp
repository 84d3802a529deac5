#include "gui/pictures.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/messages.h"
#include "core/string_table.h"

namespace rvc::ui {
namespace {

constexpr int kSplashWidth = 500;
constexpr int kSplashHeight = 260;

struct Palette {
  QColor light, dark, dots, accent;
  QString name, subtitle;
};

Palette PaletteOf(bool velmora) {
  if (velmora) {
    return {QColor(0xf3, 0xf0, 0xf7),
            QColor(0x4a, 0x23, 0x6e),
            QColor(0x8e, 0x4d, 0xb8),
            QColor(0x1f, 0xa3, 0x9a),
            "Velmora",
            "RIP Configurator"};
  }
  return {QColor(0xee, 0xf3, 0xf8),
          QColor(0x12, 0x3a, 0x63),
          QColor(0x2b, 0x6c, 0xb0),
          QColor(0xe0, 0x6c, 0x1b),
          "Ravlin",
          "Configurator"};
}

// Everything, for the painting functions that take the part of the picture to paint.
const QRect kWhole(-(1 << 20), -(1 << 20), 1 << 21, 1 << 21);

// A band of halftone dots growing from left to right, as a screen ramps up its tone.
// The dots are worked out pixel by pixel into an image of one row of cells, each pixel
// covered as far as its centre lies inside the dot, and that image is drawn once per row:
// a few hundred antialiased ellipses cost the rasteriser more than all the rest of the
// splash, and an image of the whole band would be fresh memory of its own (45 pages, each
// a page fault) where one row fits in memory the program has already touched. Rows of
// cells outside `visible` are left out.
void DrawHalftone(QPainter& painter, const QRectF& area, const QColor& colour, const QRect& visible = kWhole) {
  constexpr int kPitch = 9;
  constexpr int kHalf = kPitch / 2;
  int columns = 0, rows = 0;
  while (kPitch * columns + kPitch / 2.0 < area.width()) ++columns;
  while (kPitch * rows + kPitch / 2.0 < area.height()) ++rows;
  if (columns == 0 || rows == 0) return;
  QImage dots(columns * kPitch, kPitch, QImage::Format_ARGB32_Premultiplied);
  auto* const pixels = reinterpret_cast<QRgb*>(dots.bits());
  const qsizetype stride = dots.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  QRgb shades[256];  // the colour at each coverage
  for (int cover = 0; cover < 256; ++cover) {
    shades[cover] = qPremultiply(qRgba(colour.red(), colour.green(), colour.blue(), cover * colour.alpha() / 255));
  }
  // A dot is centred in its cell, on a pixel's centre, so every pixel of the cell lies a
  // whole number of pixels from the dot's centre across and down: its coverage depends on
  // those two numbers alone and is worked out once for each pair, from the square roots
  // of the few squared distances there are, rather than once for each pixel.
  double distances[2 * kHalf * kHalf + 1];
  for (int squared = 0; squared <= 2 * kHalf * kHalf; ++squared) distances[squared] = std::sqrt(squared);
  for (int row = 0; row < rows; ++row) {
    const QRectF cells(area.left(), area.top() + kPitch * row, columns * kPitch, kPitch);
    if (!cells.intersects(visible)) continue;
    const double y = kPitch * row + kPitch / 2.0;
    const double wave = 0.5 + 0.5 * std::sin(y / area.height() * 3.14159);
    for (int column = 0; column < columns; ++column) {
      const double x = kPitch * column + kPitch / 2.0;
      const double radius = kPitch * 0.5 * std::sqrt(x / area.width() * wave);
      QRgb lines[kHalf + 1][kPitch];  // the cell's pixel rows, by their distance down
      for (int down = 0; down <= kHalf; ++down) {
        for (int across = 0; across <= kHalf; ++across) {
          const double cover =
              radius <= 0.4 ? 0 : std::clamp(radius + 0.5 - distances[down * down + across * across], 0.0, 1.0);
          lines[down][kHalf - across] = lines[down][kHalf + across] = shades[qRound(cover * 255)];
        }
      }
      for (int py = 0; py < kPitch; ++py) {
        std::copy_n(lines[std::abs(py - kHalf)], kPitch, pixels + py * stride + column * kPitch);
      }
    }
    painter.drawImage(area.topLeft() + QPointF(0, kPitch * row), dots);
  }
}

// Fills `area` fading from `top` at its top to `bottom` at its bottom, one colour per row:
// a linear gradient brush makes the same pixels, but the first one painted also sets up
// the rasteriser's gradient tables and code, half a millisecond before the splash shows.
// Only the rows within `visible` are filled.
void FillFading(QPainter& painter, const QRect& area, const QColor& top, const QColor& bottom, const QRect& visible) {
  const auto mix = [](int from, int to, double share) { return qRound(from + (to - from) * share); };
  const int first = std::max(0, visible.top() - area.top());
  const int end = std::min(area.height(), visible.bottom() + 1 - area.top());
  for (int row = first; row < end; ++row) {
    const double share = (row + 0.5) / area.height();
    painter.fillRect(QRect(area.left(), area.top() + row, area.width(), 1),
                     QColor(mix(top.red(), bottom.red(), share), mix(top.green(), bottom.green(), share),
                            mix(top.blue(), bottom.blue(), share)));
  }
}

// Draws `text` in the application's font at `points` points, placed in `box` as `alignment`
// says (left, right or centred; top or centred); `bold` thickens the strokes. The painter
// scales the font from its own size, so the pictures' texts come from the one font engine
// that every window loads anyway, where each other size or weight would be one more font
// to look up, load and ready for hinting before the splash shows (the bold face alone
// cost 2.5 million instructions). A bold text is the regular one drawn again at small
// steps to the right up to the stroke's extra width, as a renderer emboldens a face that
// has no bold.
void DrawText(QPainter& painter, const QRectF& box, Qt::Alignment alignment, double points, const QString& text,
              bool bold = false, const QRect& visible = kWhole) {
  // Glyphs may reach a little beyond their box: accents above it, a bold text's strokes to
  // its right.
  if (!box.adjusted(-8, -8, 8, 8).intersects(visible)) return;
  const QFont font = QGuiApplication::font();
  const QFontMetricsF metrics(font, painter.device());
  const double own = font.pointSizeF() > 0 ? font.pointSizeF()
                                           : font.pixelSize() * 72.0 / painter.device()->logicalDpiY();
  const double scale = points / own;
  // The extra stroke width of a bold face: about a sixteenth of the line's height, in
  // whole pixels (so that every copy lands on the glyphs already drawn).
  const int extra = bold ? qRound(metrics.height() * scale / 16) : 0;
  const double width = metrics.horizontalAdvance(text) * scale + extra;
  double x = box.left();
  if (alignment & Qt::AlignRight) x = box.right() - width;
  if (alignment & Qt::AlignHCenter) x = box.center().x() - width / 2;
  double top = box.top();
  if (alignment & Qt::AlignVCenter) top = box.center().y() - metrics.height() * scale / 2;
  painter.save();
  painter.setFont(font);
  const double baseline = top + metrics.ascent() * scale;
  for (int shift = 0; shift <= extra; ++shift) {
    painter.save();
    painter.translate(x + shift, baseline);
    painter.scale(scale, scale);
    painter.drawText(QPointF(0, 0), text);
    painter.restore();
  }
  painter.restore();
}

// The splash bitmap, over the whole of the splash, or the part of it within `visible`.
void PaintSplashBitmap(QPainter& painter, bool velmora, const QRect& visible = kWhole) {
  const Palette colours = PaletteOf(velmora);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);

  // The top stays light for the build text; the picture fills the lower part.
  painter.fillRect(QRect(0, 0, kSplashWidth, 90) & visible, colours.light);
  FillFading(painter, QRect(0, 90, kSplashWidth, kSplashHeight - 90), colours.light, colours.dark, visible);
  DrawHalftone(painter, QRectF(200, 70, 300, 150), colours.dots, visible);

  painter.setPen(Qt::white);
  DrawText(painter, QRectF(24, 150, 400, 60), Qt::AlignLeft | Qt::AlignVCenter, 40, colours.name, true, visible);
  DrawText(painter, QRectF(28, 206, 400, 30), Qt::AlignLeft | Qt::AlignVCenter, 16, colours.subtitle, false, visible);

  // The accent line: its square caps reach 2 pixels past its ends, and antialiasing may
  // touch a pixel more.
  if (QRect(23, 145, 170, 6).intersects(visible)) {
    painter.setPen(QPen(colours.accent, 4));
    painter.drawLine(QPointF(26, 148), QPointF(190, 148));
  }
  painter.restore();
}

}  // namespace

QString BuildText() {
  const auto version = LoadString(msg::kBuildVersion).value_or("10.1.0");
  return QStringLiteral("Ravlin Configurator ") +
         QString::fromUtf8(version.data(), static_cast<qsizetype>(version.size())) + QStringLiteral(" Build ") +
         QStringLiteral("30");
}

QSize SplashSize() { return {kSplashWidth, kSplashHeight}; }

void PaintSplash(QPainter& painter, bool velmora) { PaintSplash(painter, velmora, kWhole); }

void PaintSplash(QPainter& painter, bool velmora, const QRect& visible) {
  PaintSplashBitmap(painter, velmora, visible);
  painter.save();
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setPen(Qt::black);
  // "MS Shell Dlg" is not a font but the name under which Windows offers its dialog face;
  // the dialog face here is the application's font. Asked for by the Windows name, the
  // font database would search every font for a stand-in for a family it never holds.
  DrawText(painter, QRectF(0, 30, 495, 40), Qt::AlignRight | Qt::AlignTop, 11, BuildText(), false, visible);
  painter.restore();
}

QPixmap SplashBitmap(bool velmora) {
  QPixmap pixmap(SplashSize());
  QPainter painter(&pixmap);
  PaintSplashBitmap(painter, velmora);
  return pixmap;
}

QPixmap SplashPicture(bool velmora) {
  QPixmap pixmap(SplashSize());
  QPainter painter(&pixmap);
  PaintSplash(painter, velmora);
  return pixmap;
}

QPixmap AboutPicture(bool velmora) {
  const Palette colours = PaletteOf(velmora);
  QPixmap pixmap(96, 96);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(4, 4, 88, 88), 16, 16);
  QLinearGradient fill(0, 0, 0, 96);
  fill.setColorAt(0, colours.dots);
  fill.setColorAt(1, colours.dark);
  painter.fillPath(tile, fill);
  painter.setClipPath(tile);
  DrawHalftone(painter, QRectF(4, 50, 88, 42), colours.light);
  painter.setClipping(false);
  painter.setPen(Qt::white);
  DrawText(painter, QRectF(4, 0, 88, 70), Qt::AlignCenter, 40, colours.name.left(1), true);
  return pixmap;
}

QIcon WindowIcon() {
  // Qt scales the one picture to the sizes asked for, when they are asked for.
  return QIcon(AboutPicture(false));
}

void EnsureApplicationIcon() {
  if (QGuiApplication::windowIcon().isNull()) QGuiApplication::setWindowIcon(WindowIcon());
}

}  // namespace rvc::ui
