#pragma once

#include <QGroupBox>
#include <array>

class QAction;
class QLabel;
class QListWidget;
class QPushButton;

namespace ui {
class Twips;
}
namespace text {
class LanguageTable;
}

namespace calibration {

// The curve page (fraCURVE): the calibration points, one row each, with the buttons and the
// context menu that edit them.
class CurvePage : public QGroupBox {
    Q_OBJECT
public:
    CurvePage(QWidget* parent, const ui::Twips& twips);

    // The context menu's entries and the buttons' tooltips; the title and the buttons'
    // captions are the window's language texts.
    void applyTexts(const text::LanguageTable& texts);

    QLabel* const lblCSig;
    QLabel* const lblCEth;
    // The number of points.
    QLabel* const Label3;
    // Fixed-pitch, so the signal and etalon columns line up.
    QListWidget* const lstKrivka;
    // 0 add, 1 delete the selected point, 2 clear all points.
    const std::array<QPushButton*, 3> cmdListAction;
    // Captures a point from the live signal.
    QPushButton* const cmdSCAN;

    // Offered in the context menu of lstKrivka; their shortcuts work while the page is shown.
    QAction* const mKrivkaNew;
    QAction* const mKrivkaBodAdd;
    QAction* const mKrivkaBodDelete;
};

} // namespace calibration
