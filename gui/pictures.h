// The program's pictures, drawn rather than loaded: the window icon, the splash bitmaps
// of Ravlin and of Velmora (the "Dedezi" OEM) and the picture of the About dialog.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

class QPainter;

namespace rvc::ui {

// "Ravlin Configurator " + "10.1.0" + " Build " + "30".
QString BuildText();

QIcon WindowIcon();
// Makes WindowIcon() the application's window icon, which every window without an icon of
// its own shows, unless it already is. Called before the first dialog shows and after
// the main window's first paint: the icon is not part of a window's contents, and drawing
// it then lets the first window appear sooner.
void EnsureApplicationIcon();
// The size of the splash.
QSize SplashSize();
// Paints the splash from the top left of `painter`'s device: the bitmap (`velmora` picks
// the OEM's) and over it the build text in black, right-aligned at x 495 and y 30 in the
// 11-point dialog face ("MS Shell Dlg" on Windows: the application's font here). The splash window paints itself with it, without a picture of its
// own in between.
void PaintSplash(QPainter& painter, bool velmora);
// Paints the part of the splash within `visible` (in the splash's coordinates), the
// same pixels there as the whole.
void PaintSplash(QPainter& painter, bool velmora, const QRect& visible);
// The splash bitmap without its text.
QPixmap SplashBitmap(bool velmora);
// What PaintSplash paints, as a picture.
QPixmap SplashPicture(bool velmora);
QPixmap AboutPicture(bool velmora);

}  // namespace rvc::ui
