#pragma once

#include <QRect>

class QWidget;

namespace ui {

// Window and control sizes are given in twips (1/1440 inch) and converted with the screen's
// logical resolution, so the layout keeps its proportions at any scaling.
class Twips {
public:
    explicit Twips(double logicalDpi) : dpi_(logicalDpi) {}
    static Twips forWidget(const QWidget& widget);

    [[nodiscard]] int px(int twips) const;
    [[nodiscard]] int toTwips(int pixels) const;
    [[nodiscard]] QRect rect(int left, int top, int width, int height) const {
        return {px(left), px(top), px(width), px(height)};
    }
    // Places a child control at a twip rectangle within its parent.
    void place(QWidget& widget, int left, int top, int width, int height) const;

private:
    double dpi_;
};

} // namespace ui
