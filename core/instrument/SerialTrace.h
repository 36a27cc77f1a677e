#pragma once

#include "core/instrument/SerialLine.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <vector>

namespace device {

// One line of the serial trace: what was sent or received, or what happened to the port.
struct TraceEntry {
    enum class Kind { Sent, Received, Event };
    QDateTime time;
    Kind kind = Kind::Sent;
    QByteArray bytes; // the frame or reply; for an event, its description

    // The bytes as text: printable ASCII as it is, CR as "<CR>", LF as "<LF>", any other as
    // "<xx>" in hexadecimal.
    [[nodiscard]] QString printable() const;
    // The bytes in hexadecimal, separated by blanks.
    [[nodiscard]] QString hex() const;
    // "time  >  printable  |  hex" (">" sent, "<" received, "*" an event).
    [[nodiscard]] QString line() const;
};

// The last Capacity frames sent and replies received, oldest first; the oldest drop out.
class SerialTrace {
public:
    static constexpr int Capacity = 2000;
    using TimeSource = std::function<QDateTime()>;

    // The time of each entry comes from `now` (the local clock when not given).
    explicit SerialTrace(TimeSource now = {});

    void record(TraceEntry::Kind kind, const QByteArray& bytes);
    [[nodiscard]] QList<TraceEntry> entries() const;
    [[nodiscard]] int size() const { return static_cast<int>(ring_.size()); }
    // All entries, one line() each.
    [[nodiscard]] QString text() const;
    // Writes text() to `path` (UTF-8); false with the reason in `error` when it could not.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    TimeSource now_;
    std::vector<TraceEntry> ring_;
    std::size_t next_ = 0; // where the next entry goes once the ring is full
};

// A serial line that passes everything to another and notes in a trace each frame sent, each
// reply read, and the port being opened, closed or lost. It sends and reads exactly what the
// line underneath does.
class TracingLine final : public SerialLine {
public:
    TracingLine(SerialLine& line, SerialTrace& trace) : line_(line), trace_(trace) {}

    bool setPortNumber(int number) override { return line_.setPortNumber(number); }
    [[nodiscard]] int portNumber() const override { return line_.portNumber(); }
    OpenResult open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return line_.isOpen(); }
    bool send(const QByteArray& bytes) override;
    [[nodiscard]] int bytesWaiting() override { return line_.bytesWaiting(); }
    std::optional<QByteArray> readAll() override;
    [[nodiscard]] const WakeSource* arrivals() const override { return line_.arrivals(); }
    [[nodiscard]] QString deviceName() const override { return line_.deviceName(); }
    [[nodiscard]] QStringList portEntries() const override { return line_.portEntries(); }

private:
    SerialLine& line_;
    SerialTrace& trace_;
};

} // namespace device
