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

namespace sensor {

// The sensor page (fraSNIMAC): the settings of the sensor in use.
class SensorPage : public QGroupBox {
    Q_OBJECT
public:
    SensorPage(QWidget* parent, const ui::Twips& twips);

    // The sliding-average controls (Label11 0 and 3, cmbSlide, cmbSlideRychl) are for experts.
    void setSlideControlsVisible(bool visible);

    QLabel* const Label2;
    QLineEdit* const txtPopis;
    QLabel* const Label6;
    QComboBox* const cmbFormat;
    // 0 "Slide", 1 "Maximální signál snímače", 2 "Jedn.", 3 "SlideRychl".
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
    // 0 "Zavřít", 1 "Uložit".
    const std::array<QPushButton*, 2> cmdAction;

signals:
    // Ctrl with the right mouse button on the "Popis" label.
    void expertModeRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace sensor
