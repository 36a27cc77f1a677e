#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

class QWidget;

namespace ui {

// Top-left corner, in twips, that centres a window on a screen: (screen - window) / 2 on
// each axis, whole-number division.
[[nodiscard]] QPoint centredOriginTwips(QSize screenTwips, QSize windowTwips);

// Where a window of `size` goes on `screen` without covering `anchor`: right of it, else left
// of it, top edges level; where neither side has room, on the wider side narrowed down to no
// less than `minimumWidth`; else below it, else above it, left edges level. Always wholly on
// the screen; nullopt when nothing fits.
[[nodiscard]] std::optional<QRect> besideRect(const QRect& screen, const QRect& anchor, QSize size,
                                              int minimumWidth);

// The frame moved onto the available area: left and up as far as it runs off, shrunk to the
// area where it is larger.
[[nodiscard]] QRect fittedFrame(const QRect& available, QRect frame);

// Places the window beside the anchor (its frame, in global coordinates) where the anchor's
// screen allows, narrowed to no less than minimumWidth; true when it did.
bool placeBeside(QWidget& window, const QRect& anchor, int minimumWidth);

// Places the window in the middle of its screen (the whole screen, as the operator sees it).
void CenterWindow(QWidget& window);

} // namespace ui
