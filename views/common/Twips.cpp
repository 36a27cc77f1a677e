#include "views/common/Twips.h"

#include <QWidget>
#include <cmath>

namespace ui {

Twips Twips::forWidget(const QWidget& widget) {
    const int dpi = widget.logicalDpiX();
    return Twips(dpi > 0 ? dpi : 96);
}

int Twips::px(int twips) const {
    return static_cast<int>(std::lround(twips * dpi_ / 1440.0));
}

int Twips::toTwips(int pixels) const {
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi_));
}

void Twips::place(QWidget& widget, int left, int top, int width, int height) const {
    widget.setGeometry(rect(left, top, width, height));
}

} // namespace ui
