#pragma once

#include "sim/Instrument.h"
#include "sim/PtyPort.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

namespace sim {

// Serves an instrument on a pseudo-terminal and takes console commands on standard input.
// Everything is driven by notifiers and one timer for replies still on their way. Besides the
// instrument's own console commands it takes two about the cable: "hangup [COMMAND] [after N]"
// (now, or once N more frames of COMMAND were answered and anything more arrives) and "plug"
// (a new terminal at the same link, the instrument's memories as the hang-up left them).
class SimServer : public QObject {
    Q_OBJECT
public:
    struct Settings {
        bool verbose = false;
        // After answering this many frames, hang up when anything more arrives; 0 never.
        int hangupAfter = 0;
    };

    SimServer(Instrument& instrument, std::unique_ptr<PtyPort> port, Settings settings);

signals:
    void quitRequested();

private:
    [[nodiscard]] std::chrono::microseconds now() const;
    void readLine();
    void writeLine();
    void readConsole();
    void deliver();
    void hangUp();
    void attachPort();
    // The answer to a cable command; nullopt when the line is none.
    std::optional<QString> runCableCommand(const QStringList& words);
    void logFramesSince(int count);
    void logReply(const QByteArray& arrived);

    // Armed by --hangup-after or "hangup ... after N".
    struct HangUpRule {
        std::optional<Command> command;
        int framesLeft = 0;
    };

    Instrument& instrument_;
    std::unique_ptr<PtyPort> port_;
    QString linkPath_;
    Settings settings_;
    std::optional<HangUpRule> hangUpRule_;
    std::chrono::steady_clock::time_point start_;
    QSocketNotifier lineReader_;
    QSocketNotifier lineWriter_;
    QSocketNotifier consoleReader_;
    QTimer arrival_;
    QByteArray unsent_;
    QByteArray consoleInput_;
    QByteArray replyLog_;
};

} // namespace sim
