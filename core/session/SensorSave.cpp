#include "core/session/SensorSave.h"

#include "core/instrument/OrvoLib.h"
#include "core/instrument/SerialLine.h"
#include "core/sensor/SensorImage.h"
#include "core/sensor/SensorRecord.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/StatusPanel.h"

namespace session {

namespace {

constexpr int ConfirmSaveText = 46;
constexpr int WriteFailedText = 47;
constexpr int PageRejectedText = 49;
constexpr int NotWrittenText = 104;
constexpr int PartlyWrittenText = 105;
constexpr int NotVerifiedText = 106;
constexpr int DiffersText = 107;

constexpr int WrongEchoBase = -10000;

int failureText(SaveResult result) {
    switch (result) {
    case SaveResult::NotWritten:
        return NotWrittenText;
    case SaveResult::PartlyWritten:
        return PartlyWrittenText;
    case SaveResult::Differs:
        return DiffersText;
    default:
        return NotVerifiedText;
    }
}

} // namespace

SaveResult failedWriteReach(int code, const QByteArray& image, const QByteArray& before) {
    if (code == device::orvoLib::WriteBlockPortClosed || code == device::orvoLib::WriteBlockTooLong)
        return SaveResult::NotWritten;
    // -i: byte i (from 1) went unanswered; -10000 - i: it was echoed wrongly.
    if (code <= WrongEchoBase || code >= 0)
        return SaveResult::PartlyWritten;
    const qsizetype reached = -code;
    return reached <= image.size() && reached <= before.size() &&
                   image.left(reached) == before.left(reached)
               ? SaveResult::NotWritten
               : SaveResult::PartlyWritten;
}

std::optional<QByteArray> SensorSave::encodePage() {
    const Session::Outlets& out = session_.outlets();
    if (!sources_.copyPage(sensor::StandardCurveOptions)) {
        out.messages.inform(out.texts.text(PageRejectedText), text::MsgIcon::Critical);
        return std::nullopt;
    }
    const sensor::EncodeResult encoded =
        sensor::EncodeSensorImage(session_.sensors().CurrentSensor, sources_.today());
    if (const auto* failure = std::get_if<sensor::EncodeFailure>(&encoded)) {
        if (*failure == sensor::EncodeFailure::CalibrationOverflow) {
            out.messages.inform(QString::fromLatin1(sensor::CalibrationOverflowMessage),
                                text::MsgIcon::Critical);
            session_.runner().requestEnd();
        } else {
            out.messages.inform(out.texts.text(ValueNotStorableText), text::MsgIcon::Critical);
        }
        return std::nullopt;
    }
    return std::get<sensor::EncodedSensorImage>(encoded).image;
}

void SensorSave::reopenLostLine(const device::Link& link) {
    // A line lost under an earlier write (a pulled cable, plugged in again) is opened again on
    // the same port, as the live signal does on the curve page; the sensor page has none. What
    // was waiting is discarded, as before every byte; the quiet wait before the write follows.
    device::SerialLine& line = link.line;
    if (line.isOpen() && !line.readAll().has_value())
        line.close();
    if (!line.isOpen())
        (void)line.open();
}

int SensorSave::writeImage(const device::Link& link, const QByteArray& image, int block) {
    const int result = session_.writeSensorBlock(link, image, block);
    // A block left half written must not become the base of the next comparison, or a save
    // that only writes changes would find nothing to write.
    if (result == 0) {
        sensor::SensorState& sensors = session_.sensors();
        sensors.SensorImage = image;
        // The block now holds the image and, past it, what it held before.
        QByteArray& held = sensors.BlockImages[static_cast<std::size_t>(block)];
        if (held.size() == device::orvoLib::BlockSize)
            held.replace(0, image.size(), image);
    }
    return result;
}

void SensorSave::reportFailure(SaveResult result, const sensor::SensorRecord& sensor, int code) {
    const Session::Outlets& out = session_.outlets();
    QString message = out.texts.text(failureText(result))
                          .arg(sensor.Description.trimmed(), sensor.SensorId.trimmed());
    if (code != 0)
        message = out.texts.text(WriteFailedText) + QStringLiteral(" [") + QString::number(code) +
                  QStringLiteral("]\n") + message;
    out.messages.inform(session_.withFailureNote(message, true), text::MsgIcon::Critical);
}

SaveResult SensorSave::readBack(const QByteArray& image, int block, bool read) const {
    const sensor::SensorState& sensors = session_.sensors();
    // A read-out that failed, a sensor no longer reported present or a block that did not read
    // leave nothing to compare with.
    const QByteArray& held = sensors.BlockImages[static_cast<std::size_t>(block)];
    if (!read || (sensors.SensorMask & (1U << block)) == 0 || held.size() < image.size())
        return SaveResult::NotVerified;
    return held.left(image.size()) == image ? SaveResult::Verified : SaveResult::Differs;
}

SaveResult SensorSave::SaveSensor(const device::Link& link, bool onlyWhenChanged) {
    sensor::SensorState& sensors = session_.sensors();
    const int block = sensors.workingBlock();
    const auto image = encodePage();
    if (!image)
        return SaveResult::PageRejected;
    sensors.SensorRecords[static_cast<std::size_t>(block)] = sensors.CurrentSensor;
    reopenLostLine(link);
    session_.prepareWrite(link);

    ActionRunner& runner = session_.runner();
    if (onlyWhenChanged && sensor::CompareSensorImages(*image, sensors.SensorImage) <= 0) {
        runner.enableNavigation();
        return SaveResult::Unchanged;
    }
    const sensor::SensorRecord written = sensors.CurrentSensor;
    const QByteArray before = sensors.BlockImages[static_cast<std::size_t>(block)];
    const int code = writeImage(link, *image, block);
    if (code != 0) {
        const SaveResult result = failedWriteReach(code, *image, before);
        reportFailure(result, written, code);
        runner.enableNavigation();
        emit session_.sensorWritten(block, result);
        return result;
    }
    const calibration::CurveTable points = session_.curve();
    session_.resetInstrument(link);
    // A read-out that failed has told the operator why; the block is then not known to hold
    // what was written.
    const bool read = session_.readOut(link) == ReadOutResult::Read;
    const SaveResult result = readBack(*image, block, read);
    if (result != SaveResult::Verified) {
        // The operator's sensor and points, not what the read-out found, are what a second
        // save writes.
        sensors.CurrentSensor = written;
        session_.curve() = points;
        emit session_.sensorChanged();
        reportFailure(result, written, 0);
    }
    runner.enableNavigation();
    emit session_.sensorWritten(block, result);
    return result;
}

void SensorSave::ConfirmAndSave(const device::Link& link) {
    const Session::Outlets& out = session_.outlets();
    if (!out.messages.askYesNo(out.texts.text(ConfirmSaveText), text::MsgIcon::Question))
        return;
    sensor::SensorState& sensors = session_.sensors();
    const int block = sensors.workingBlock();
    const auto image = encodePage();
    if (!image)
        return;
    sensors.SensorRecords[static_cast<std::size_t>(block)] = sensors.CurrentSensor;
    reopenLostLine(link);
    session_.prepareWrite(link);
    const QByteArray before = sensors.BlockImages[static_cast<std::size_t>(block)];
    const int code = writeImage(link, *image, block);
    if (code == 0) {
        for (sensor::SensorRecord& record : sensors.SensorRecords)
            record.clear();
        session_.resetInstrument(link);
    } else {
        reportFailure(failedWriteReach(code, *image, before), sensors.CurrentSensor, code);
    }
    session_.runner().enableNavigation();
}

} // namespace session
