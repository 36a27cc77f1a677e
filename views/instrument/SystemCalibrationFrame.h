#pragma once

#include "views/common/Controls.h"

#include <QGroupBox>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class Twips;
}
namespace text {
class LanguageTable;
}

namespace calibration {

// The system calibration of the instrument's 8 gain ranges (fraORVOSETUP): the zero N and the
// constant k of each range, as working copies that the buttons fill and write.
class SystemCalibrationFrame : public QGroupBox {
    Q_OBJECT
public:
    static constexpr std::size_t Ranges = 8;

    SystemCalibrationFrame(QWidget* parent, const ui::Twips& twips);

    // The title, the zero column's heading, both columns' tooltips and the write button's caption.
    void applyTexts(const text::LanguageTable& texts);

    // "G1(1)" .. "G8(128)": range i amplifies 2^i times.
    const std::array<QLabel*, Ranges> lblGx;
    const std::array<QLineEdit*, Ranges> txtskN;
    const std::array<QLineEdit*, Ranges> txtskK;
    // 8 "Nula [div]" above the N column, 9 "k [mVV/div*x]" above the k column.
    const ui::ControlArray<QLabel, 8, 2> Label1;
    QPushButton* const cmdReset;
    QPushButton* const cmdLoadDef;
    QPushButton* const cmdSKSetGain;
    QPushButton* const cmdSKSetNula;
    QPushButton* const cmdSKSave;
};

} // namespace calibration
