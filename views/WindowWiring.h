#pragma once

#include "views/WindowParts.h"

class QWidget;

namespace app {

// Tab walks the controls of the page shown, then Back, Next and Cancel. The expert frames take
// the focus only while the window is wide enough to show them.
void setUpKeyboard(QWidget& window, const WindowParts& parts);

} // namespace app
