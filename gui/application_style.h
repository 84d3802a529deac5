// The style of the program's windows: the platform's style, as Qt picks it (including a
// style asked for with -style or QT_STYLE_OVERRIDE), with one icon read when it is first
// drawn rather than when the widget that carries it is made, and the standard icons made
// once.
//
// A standard icon is made from image files (several sizes, each file opened to learn its
// format) or looked up in the icon theme on every call: half a millisecond for each of
// OK and Cancel, which a dialog's button box asks for each time it is made. The icons
// are the style's and do not change while it is in use, so each is kept on first use.
//
// The menu bar makes a hidden overflow button whose standard icon is an image file;
// reading the first image file makes Qt load every image format plug-in (and libjpeg)
// to ask which of them reads it. The button shows only when the menus do not fit, so
// the icon is looked up by then; nothing else reads an image before the main window's
// first paint.
//
// The application's font skips text shaping (QFont::PreferNoShaping) for the scripts
// that need none, such as Latin: shaping every label, button, heading and list row with
// HarfBuzz took an eighth of the instructions of opening the Modify dialog up to its first
// paint, and readying HarfBuzz for the main window's fonts 2 million instructions before
// its first paint. The glyphs are the same and kerning stays; widths may differ from
// shaped text by a pixel. Texts in scripts that need shaping (Arabic, Indic, ...) are
// still shaped.
#pragma once

#include <QHash>
#include <QIcon>
#include <QProxyStyle>

namespace rvc::ui {

class CApplicationStyle : public QProxyStyle {
 public:
  CApplicationStyle() = default;

  QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                     const QWidget* widget = nullptr) const override;

 private:
  mutable QHash<int, QIcon> icons_;  // by standard icon and layout direction
};

// Makes CApplicationStyle the application's style and sets the application's font to
// skip shaping where it can; needs the QApplication, before the first widget.
void InstallApplicationStyle();

}  // namespace rvc::ui
