#pragma once

#include <QPoint>
#include <QSize>

class QWidget;

namespace ui {

// Top-left corner, in twips, that centres a window on a screen: (screen - window) / 2 on
// each axis, whole-number division.
[[nodiscard]] QPoint centredOriginTwips(QSize screenTwips, QSize windowTwips);

// Places the window in the middle of its screen (the whole screen, as the operator sees it).
void CenterWindow(QWidget& window);

} // namespace ui
