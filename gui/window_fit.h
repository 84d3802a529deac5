// Sizes that keep texts whole: a window wide enough for the window manager to show its
// title, and message boxes wide enough for their title and for words that cannot wrap
// (paths). Qt sizes both from their contents alone, and the title bar's own buttons and
// bold font then cut the title ("RavlinConfigurat…a Ravlin Version").
#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace rvc::ui {

// The width a top-level window needs for the title bar to show `title` whole, with the
// window manager's icon and buttons beside it.
int TitleBarWidth(const QString& title);

// Keeps `window` at least as wide as its title needs (never wider than the screen).
void FitTitle(QWidget& window);

// Widens `box`, once its texts and buttons are set, for its title and its longest word.
void FitMessageBox(QMessageBox& box);

}  // namespace rvc::ui
