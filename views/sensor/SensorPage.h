#pragma once

#include <QGroupBox>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class Twips;
}
namespace text {
class LanguageTable;
}

namespace sensor {

// The sensor page (fraSNIMAC): the settings of the sensor in use.
class SensorPage : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int TitleText = 602;
    static constexpr int LastSavedText = 603;
    static constexpr int CloseText = 604;
    static constexpr int SaveText = 605;

    SensorPage(QWidget* parent, const ui::Twips& twips);

    // The captions that no other step sets: the frame's title, the date of the last save, the
    // two buttons.
    void applyTexts(const text::LanguageTable& texts);

    // The sliding-average controls (Label11 0 and 3, cmbSlide, cmbSlideRychl) are for experts.
    void setSlideControlsVisible(bool visible);

    QLabel* const Label2;
    QLineEdit* const txtPopis;
    QLabel* const Label6;
    QComboBox* const cmbFormat;
    // Captions of 0 sliding average, 1 gain range, 2 unit, 3 fast sliding average.
    const std::array<QLabel*, 4> Label11;
    QLineEdit* const txtJednotka;
    QLabel* const lblRozsahPopis;
    QLineEdit* const txtRozsah;
    QLabel* const lblRozsahNegPopis;
    QLineEdit* const txtRozsahNeg;
    QLabel* const Label9;
    QLineEdit* const txtOverloadProc;
    QComboBox* const cmbGain;
    QComboBox* const cmbSlide;
    QComboBox* const cmbSlideRychl;
    QLabel* const lblDateOfSave;
    QLineEdit* const txtDateOfSave;
    QLabel* const lblLimitWarning;
    // Part of the layout only; hidden and without behaviour.
    QCheckBox* const chkLimitsEnabled;
    QCheckBox* const chkLimitsEnabledNeg;
    QLineEdit* const txtLimit;
    QLineEdit* const txtSN;
    // 0 close, 1 save the sensor.
    const std::array<QPushButton*, 2> cmdAction;

signals:
    // Ctrl with the right mouse button on the description's label.
    void expertModeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace sensor
