#pragma once

#include "core/instrument/LiveValues.h"
#include "core/instrument/Measurement.h"

#include <QObject>
#include <QString>
#include <functional>

namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace device {

class Clock;
class SerialLine;

// What the operator is told when the line at COM`port` is found lost: the read failed, check the
// cable.
[[nodiscard]] QString lostLineMessage(const text::LanguageTable& texts, int port);
// Why a capture, a zero or a gain took nothing: no fresh reading (readingFresh), the instrument
// at COM`port` is not answering.
[[nodiscard]] QString staleSignalMessage(const text::LanguageTable& texts, int port);

// The live signal: every tick takes the reply to the previous "$00M" out of the line, tells the
// panels what to show and asks for the next one. The tick never waits.
//
// A port that cannot be read any more (a USB adapter pulled out) is closed and reported once;
// the curve and the page stay as they are. Later ticks try to open the same port number again,
// without a word, and polling goes on as soon as it opens. A port that an action closed under
// the polling and could not open again (and reported) is tried again the same way. Every reading
// is stamped with the clock's time (LiveValues::ReadingTime); a loss drops the stamp, so the
// values count as stale until a reading comes, and each update says whether the signal is lost.
class LiveSignal : public QObject {
    Q_OBJECT
public:
    // The current sensor's number pattern for the display value, blanks included.
    using UnitFormatSource = std::function<QString()>;

    enum class Tick {
        Polled,    // the reply (if any) shown and the next request sent
        PortLost,  // reading failed just now: reported, port closed
        StillLost, // the port is closed and cannot be opened again yet; nothing sent
        Skipped,   // a tick arrived while the loss was being reported
    };

    LiveSignal(SerialLine& line, text::MessageService& messages, const text::LanguageTable& texts,
               LiveValues& values, const Clock& clock, UnitFormatSource unitFormat,
               QObject* parent = nullptr);

    Tick tick();

    // The rule each reading is judged by; without one the stability watch keeps its own.
    void setStabilityRule(std::function<StabilityRule()> rule) { stabilityRule_ = std::move(rule); }

    // The port went away and has not been opened again yet.
    [[nodiscard]] bool portLost() const { return lostPort_ != 0; }

signals:
    // What the signal panels show now.
    void updated(const device::SignalUpdate& update);

private:
    [[nodiscard]] bool reopenLostPort();
    void reportLoss();
    void showNoSignal();

    SerialLine& line_;
    text::MessageService& messages_;
    const text::LanguageTable& texts_;
    LiveValues& values_;
    const Clock& clock_;
    UnitFormatSource unitFormat_;
    std::function<StabilityRule()> stabilityRule_;
    // The number of the port that went away; 0 while the line is sound.
    int lostPort_ = 0;
    // The loss message is modal and the timer keeps ticking behind it.
    bool reporting_ = false;
};

} // namespace device
