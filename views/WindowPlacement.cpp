#include "views/WindowPlacement.h"

#include "views/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ui {

QPoint centredOriginTwips(QSize screenTwips, QSize windowTwips) {
    return {(screenTwips.width() - windowTwips.width()) / 2,
            (screenTwips.height() - windowTwips.height()) / 2};
}

void CenterWindow(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const Twips twips = Twips::forWidget(window);
    const QRect area = screen->geometry();
    const QPoint origin =
        centredOriginTwips({twips.toTwips(area.width()), twips.toTwips(area.height())},
                           {twips.toTwips(window.width()), twips.toTwips(window.height())});
    window.move(area.x() + twips.px(origin.x()), area.y() + twips.px(origin.y()));
}

} // namespace ui
