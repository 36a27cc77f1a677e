#include "core/session/SensorSave.h"

#include "core/instrument/OrvoLib.h"
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

} // namespace

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
            out.messages.inform(QString::fromUtf8(ValueNotStorableMessage),
                                text::MsgIcon::Critical);
        }
        return std::nullopt;
    }
    return std::get<sensor::EncodedSensorImage>(encoded).image;
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

void SensorSave::reportWriteFailure(int code) {
    const Session::Outlets& out = session_.outlets();
    out.messages.inform(session_.withFailureNote(out.texts.text(WriteFailedText) +
                                                     QStringLiteral(" [") + QString::number(code) +
                                                     u']',
                                                 true),
                        text::MsgIcon::None);
}

bool SensorSave::readBackDiffers(const QByteArray& image, int block, bool read) const {
    const sensor::SensorState& sensors = session_.sensors();
    if (!read || (sensors.SensorMask & (1U << block)) == 0)
        return false;
    // The read-out reads the external block last: when an external sensor is found after the
    // internal block was written, the image in hand is the external one.
    if (block == sensor::InternalBlock && (sensors.SensorMask & (1U << sensor::ExternalBlock)) != 0)
        return false;
    // A block the read-out could not read leaves its record cleared and the image of the
    // other block in hand.
    if (sensors.SensorRecords[static_cast<std::size_t>(block)] == sensor::SensorRecord{})
        return false;
    return sensors.SensorImage.left(image.size()) != image;
}

SaveResult SensorSave::SaveSensor(const device::Link& link, bool onlyWhenChanged) {
    sensor::SensorState& sensors = session_.sensors();
    const int block = sensors.workingBlock();
    const auto image = encodePage();
    if (!image)
        return SaveResult::PageRejected;
    sensors.SensorRecords[static_cast<std::size_t>(block)] = sensors.CurrentSensor;
    session_.prepareWrite(link);

    ActionRunner& runner = session_.runner();
    if (onlyWhenChanged && sensor::CompareSensorImages(*image, sensors.SensorImage) <= 0) {
        runner.enableNavigation();
        return SaveResult::Unchanged;
    }
    const int written = writeImage(link, *image, block);
    if (written != 0) {
        reportWriteFailure(written);
        runner.enableNavigation();
        return SaveResult::WriteFailed;
    }
    session_.resetInstrument(link);
    // A read-out that failed has told the operator why; the block is then not known to hold
    // what was written.
    const bool read = session_.readOut(link) == ReadOutResult::Read;
    SaveResult result = read ? SaveResult::Written : SaveResult::WriteFailed;
    if (readBackDiffers(*image, block, read)) {
        session_.outlets().messages.inform(
            session_.withFailureNote(QString::fromUtf8(ReadBackMismatchMessage), true),
            text::MsgIcon::Critical);
        result = SaveResult::WriteFailed;
    }
    runner.enableNavigation();
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
    session_.prepareWrite(link);
    const int written = writeImage(link, *image, block);
    if (written == 0) {
        for (sensor::SensorRecord& record : sensors.SensorRecords)
            record.clear();
        session_.resetInstrument(link);
    } else {
        reportWriteFailure(written);
    }
    session_.runner().enableNavigation();
}

} // namespace session
