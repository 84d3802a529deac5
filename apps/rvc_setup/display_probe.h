// Whether the X server named by DISPLAY answers. Kept apart from the rest of main: the X
// headers define names (None, Status, Bool) that clash with ours and with Qt's.
#pragma once

bool XDisplayAnswers();
