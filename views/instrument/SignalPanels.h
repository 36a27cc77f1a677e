#pragma once

#include <QGroupBox>

class QLabel;

namespace text {
class LanguageTable;
}
namespace ui {
class Twips;
}

namespace device {

struct SignalUpdate;

// The live signal beside the curve editor (fraDISPLAY): the signal in mV/V and a row of
// indicator lamps, which stay hidden until a reading or the sensor page shows them.
class SignalDisplayFrame : public QGroupBox {
    Q_OBJECT
public:
    SignalDisplayFrame(QWidget* parent, const ui::Twips& twips);

    QLabel* const lblSignal;
    QLabel* const lblIUnit;
    QLabel* const lblILimHI;
    QLabel* const lblILimLO;
    QLabel* const lblIDef;
    QLabel* const lblIBatt;
    // "INT" or "EXT": the sensor in use.
    QLabel* const lblIIntExt;
    // "stable" while the signal is stable, empty otherwise.
    QLabel* const lblStable;
};

// The instrument's own values for the expert (fraORVODISPLAY): raw divisions, the display
// value with its unit, and the battery level.
class InstrumentDisplayFrame : public QGroupBox {
    Q_OBJECT
public:
    InstrumentDisplayFrame(QWidget* parent, const ui::Twips& twips);

    QLabel* const lblSignalDIV;
    QLabel* const lblSignalDISP;
    QLabel* const lblJednotkaDISP;
    QLabel* const lblBAT;
};

// Shows a live-signal update on the two panels. While the signal is lost the values and lamps
// are greyed and the signal panel's title says that the instrument is not answering.
void showSignalUpdate(SignalDisplayFrame& signal, InstrumentDisplayFrame& instrument,
                      const SignalUpdate& update, const text::LanguageTable& texts);

} // namespace device
