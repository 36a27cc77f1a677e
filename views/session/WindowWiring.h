#pragma once

#include "views/common/WindowParts.h"

class QWidget;

namespace app {

// Tab walks the controls of the page shown, then Back, Next and Cancel. The expert frames take
// the focus only while the window's layout is wide enough to show them; `canvas` is the widget
// that holds the frames and takes the layout's size.
void setUpKeyboard(QWidget& canvas, const WindowParts& parts);

} // namespace app
