#include "core/instrument/SerialTrace.h"

#include <QSaveFile>

namespace device {

namespace {

// The device behind the line as the trace names it: its path when the line knows one (also
// a device given by path, whatever the port number), else COMn.
QString portText(const SerialLine& line) {
    const QString device = line.deviceName();
    return device.isEmpty() ? QStringLiteral("COM%1").arg(line.portNumber()) : device;
}

} // namespace

QString TraceEntry::printable() const {
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            text += QStringLiteral("<CR>");
        else if (byte == '\n')
            text += QStringLiteral("<LF>");
        else if (byte >= 0x20 && byte < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("<%1>").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
    }
    return text;
}

QString TraceEntry::hex() const {
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString TraceEntry::line() const {
    const QString stamp = time.toString(Qt::ISODateWithMs);
    switch (kind) {
    case Kind::Sent:
        return stamp + QStringLiteral("  >  ") + printable() + QStringLiteral("  |  ") + hex();
    case Kind::Received:
        return stamp + QStringLiteral("  <  ") + printable() + QStringLiteral("  |  ") + hex();
    case Kind::Event:
        break;
    }
    return stamp + QStringLiteral("  *  ") + QString::fromUtf8(bytes);
}

SerialTrace::SerialTrace(TimeSource now) : now_(std::move(now)) {
    if (!now_)
        now_ = [] { return QDateTime::currentDateTime(); };
    ring_.reserve(Capacity);
}

void SerialTrace::record(TraceEntry::Kind kind, const QByteArray& bytes) {
    TraceEntry entry{now_(), kind, bytes};
    if (ring_.size() < static_cast<std::size_t>(Capacity)) {
        ring_.push_back(std::move(entry));
        return;
    }
    ring_[next_] = std::move(entry);
    next_ = (next_ + 1) % ring_.size();
}

QList<TraceEntry> SerialTrace::entries() const {
    QList<TraceEntry> list;
    list.reserve(static_cast<qsizetype>(ring_.size()));
    for (std::size_t i = 0; i < ring_.size(); ++i)
        list.append(ring_[(next_ + i) % ring_.size()]);
    return list;
}

QString SerialTrace::text() const {
    QString text;
    for (const TraceEntry& entry : entries())
        text += entry.line() + u'\n';
    return text;
}

bool SerialTrace::save(const QString& path, QString* error) const {
    // Unbuffered, so a full disk fails the write, which is checked whole, before the commit.
    const QByteArray bytes = text().toUtf8();
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                       file.write(bytes) == bytes.size() && file.commit();
    if (!saved && error != nullptr)
        *error = file.errorString();
    return saved;
}

OpenResult TracingLine::open() {
    const OpenResult result = line_.open();
    trace_.record(TraceEntry::Kind::Event,
                  QStringLiteral("open %1: %2")
                      .arg(portText(line_), result == OpenResult::Opened ? QStringLiteral("opened")
                                                                         : QStringLiteral("failed"))
                      .toUtf8());
    return result;
}

void TracingLine::close() {
    if (line_.isOpen())
        trace_.record(TraceEntry::Kind::Event,
                      QStringLiteral("close %1").arg(portText(line_)).toUtf8());
    line_.close();
}

bool TracingLine::send(const QByteArray& bytes) {
    const bool sent = line_.send(bytes);
    trace_.record(TraceEntry::Kind::Sent, bytes);
    if (!sent)
        trace_.record(TraceEntry::Kind::Event, "send failed");
    return sent;
}

std::optional<QByteArray> TracingLine::readAll() {
    std::optional<QByteArray> read = line_.readAll();
    if (!read)
        trace_.record(TraceEntry::Kind::Event, "read failed: the line is lost");
    else if (!read->isEmpty())
        trace_.record(TraceEntry::Kind::Received, *read);
    return read;
}

} // namespace device
