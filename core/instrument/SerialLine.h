#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace device {

class WakeSource;

enum class OpenResult { Opened, NoSuchPort, InUse, PermissionDenied, Failed };

// The serial port as the exchanges use it: a port number COM1..COM49, open and close, send a
// text at once, count what is waiting, and take everything received so far.
class SerialLine {
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 49;

    virtual ~SerialLine() = default;

    // Chooses the port for the next open; false when the number names no port at all.
    virtual bool setPortNumber(int number) = 0;
    [[nodiscard]] virtual int portNumber() const = 0;
    virtual OpenResult open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    // Sends the bytes at once; false when the port is closed or the write failed.
    virtual bool send(const QByteArray& bytes) = 0;
    // Number of received bytes waiting to be read.
    [[nodiscard]] virtual int bytesWaiting() = 0;
    // Everything received so far, removed from the buffer; nullopt when reading failed (the
    // device went away). An unopened port reads as empty.
    virtual std::optional<QByteArray> readAll() = 0;
    // Signals from the event loop whenever received characters arrive; nullptr for a line that
    // cannot tell, whose waits then look at the count once per poll step.
    [[nodiscard]] virtual const WakeSource* arrivals() const { return nullptr; }

    // The device behind the chosen port, for telling the operator why it failed; empty for a
    // line that has none.
    [[nodiscard]] virtual QString deviceName() const { return {}; }
    // The port list's entries for COM1..COM49, looked up afresh: "COMn", followed by the
    // device behind it where the line knows one.
    [[nodiscard]] virtual QStringList portEntries() const {
        QStringList entries;
        for (int number = FirstPort; number <= LastPort; ++number)
            entries.append(QStringLiteral("COM%1").arg(number));
        return entries;
    }
};

} // namespace device
