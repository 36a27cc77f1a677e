#include "views/common/WindowPlacement.h"

#include "views/common/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace ui {

namespace {

// Between the anchor and the window placed beside it.
constexpr int Gap = 8;

int clampedInto(int start, int length, int lowest, int highest) {
    return std::max(lowest, std::min(start, highest - length + 1));
}

} // namespace

std::optional<QRect> besideRect(const QRect& screen, const QRect& anchor, QSize size,
                                int minimumWidth) {
    if (size.height() > screen.height())
        size.setHeight(screen.height());
    const int top = clampedInto(anchor.top(), size.height(), screen.top(), screen.bottom());
    const int rightRoom = screen.right() - anchor.right() - Gap;
    const int leftRoom = anchor.left() - screen.left() - Gap;
    if (rightRoom >= size.width())
        return QRect(QPoint(anchor.right() + 1 + Gap, top), size);
    if (leftRoom >= size.width())
        return QRect(QPoint(anchor.left() - Gap - size.width(), top), size);
    const int room = std::max(rightRoom, leftRoom);
    if (room >= minimumWidth) {
        const QSize narrowed(room, size.height());
        return rightRoom >= leftRoom ? QRect(QPoint(anchor.right() + 1 + Gap, top), narrowed)
                                     : QRect(QPoint(screen.left(), top), narrowed);
    }
    if (size.width() > screen.width())
        return std::nullopt;
    const int left = clampedInto(anchor.left(), size.width(), screen.left(), screen.right());
    if (screen.bottom() - anchor.bottom() - Gap >= size.height())
        return QRect(QPoint(left, anchor.bottom() + 1 + Gap), size);
    if (anchor.top() - screen.top() - Gap >= size.height())
        return QRect(QPoint(left, anchor.top() - Gap - size.height()), size);
    return std::nullopt;
}

QRect fittedFrame(const QRect& available, QRect frame) {
    frame.setSize(frame.size().boundedTo(available.size()));
    frame.moveTo(clampedInto(frame.left(), frame.width(), available.left(), available.right()),
                 clampedInto(frame.top(), frame.height(), available.top(), available.bottom()));
    return frame;
}

bool placeBeside(QWidget& window, const QRect& anchor, int minimumWidth) {
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return false;
    // The frame the desktop adds around the window, as far as it is known before it is shown.
    const QSize frame = window.frameGeometry().size() - window.size();
    const std::optional<QRect> place =
        besideRect(screen->availableGeometry(), anchor, window.size() + frame, minimumWidth);
    if (!place)
        return false;
    window.resize(place->size() - frame);
    window.move(place->topLeft());
    return true;
}

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
