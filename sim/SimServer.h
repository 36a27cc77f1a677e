#pragma once

#include "sim/Instrument.h"
#include "sim/PtyPort.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>

namespace sim {

// Serves an instrument on a pseudo-terminal and takes console commands on standard input.
// Everything is driven by notifiers and one timer for replies still on their way.
class SimServer : public QObject {
    Q_OBJECT
public:
    struct Settings {
        bool verbose = false;
        // After answering this many frames, hang up when anything more arrives; 0 never.
        int hangupAfter = 0;
    };

    SimServer(Instrument& instrument, PtyPort& port, Settings settings);

signals:
    void quitRequested();

private:
    [[nodiscard]] std::chrono::microseconds now() const;
    void readLine();
    void writeLine();
    void readConsole();
    void deliver();
    void hangUp();
    void logFramesSince(int count);
    void logReply(const QByteArray& arrived);

    Instrument& instrument_;
    PtyPort& port_;
    Settings settings_;
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
