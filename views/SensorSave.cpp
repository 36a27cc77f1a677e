#include "views/SensorSave.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorImage.h"
#include "core/sensor/SensorRecord.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/StatusPanel.h"
#include "views/SensorPage.h"
#include "views/SensorPageLogic.h"

#include <QPushButton>

namespace sensor {

namespace {

constexpr int DeviceAddress = 0;

} // namespace

SensorSave::SensorSave(SensorPage& page, SensorPageLogic& pageLogic, SensorState& sensors,
                       device::orvoLib::Link link, text::StatusPanel& status,
                       text::MessageService& messages, const text::LanguageTable& texts,
                       device::Lifecycle& lifecycle, Window window, QObject* parent)
    : QObject(parent), pageLogic_(pageLogic), sensors_(sensors), link_(link), status_(status),
      messages_(messages), texts_(texts), lifecycle_(lifecycle), window_(std::move(window)) {
    connect(page.cmdAction[1], &QPushButton::clicked, this,
            [this] { (void)window_.runExclusive([this] { ConfirmAndSave(); }); });
}

std::optional<QByteArray> SensorSave::encodePage() {
    if (!pageLogic_.TXT2XXX(StandardCurveOptions)) {
        messages_.inform(texts_.text(49), text::MsgIcon::Critical);
        return std::nullopt;
    }
    const EncodeResult encoded = EncodeSensorImage(sensors_.CurrentSensor, window_.today());
    if (const auto* failure = std::get_if<EncodeFailure>(&encoded)) {
        if (*failure == EncodeFailure::CalibrationOverflow) {
            messages_.inform(QString::fromLatin1(CalibrationOverflowMessage),
                             text::MsgIcon::Critical);
            window_.endProgram();
        } else {
            messages_.inform(QString::fromUtf8(ValueNotStorableMessage), text::MsgIcon::Critical);
        }
        return std::nullopt;
    }
    return std::get<EncodedSensorImage>(encoded).image;
}

int SensorSave::writeImage(const QByteArray& image, int block) {
    status_.showStatus();
    int result = 0;
    {
        const device::Lifecycle::CriticalSection writing(lifecycle_);
        result = device::orvoLib::WriteBlock(
            link_, image, DeviceAddress, block,
            [this](const QString& caption) { status_.setStatusText(caption); }, texts_.text(52));
    }
    status_.hideStatus();
    // A block left half written must not become the base of the next comparison, or a save
    // that only writes changes would find nothing to write.
    if (result == 0)
        sensors_.SensorImage = image;
    return result;
}

void SensorSave::reportWriteFailure(int code) {
    messages_.inform(texts_.text(47) + QStringLiteral(" [") + QString::number(code) + u']',
                     text::MsgIcon::None);
}

bool SensorSave::readBackDiffers(const QByteArray& image, int block, int readResult) const {
    if (readResult != 1 || (sensors_.SensorMask & (1U << block)) == 0)
        return false;
    // The read-out reads the external block last; with both present the image in hand is the
    // external one.
    if (block == InternalBlock && (sensors_.SensorMask & (1U << ExternalBlock)) != 0)
        return false;
    // A block the read-out could not read leaves its record cleared and the image of the
    // other block in hand.
    if (sensors_.SensorRecords[static_cast<std::size_t>(block)] == SensorRecord{})
        return false;
    return sensors_.SensorImage.left(image.size()) != image;
}

int SensorSave::SaveSensor(bool onlyWhenChanged) {
    const int block = sensors_.workingBlock();
    const auto image = encodePage();
    if (!image)
        return SavePageRejected;
    sensors_.SensorRecords[static_cast<std::size_t>(block)] = sensors_.CurrentSensor;
    window_.stopPolling();
    link_.clock.delay(device::timing::QuietLine);
    window_.disableNavigation();

    if (onlyWhenChanged && CompareSensorImages(*image, sensors_.SensorImage) <= 0) {
        window_.enableNavigation();
        return SaveUnchanged;
    }
    const int written = writeImage(*image, block);
    if (written != 0) {
        reportWriteFailure(written);
        window_.enableNavigation();
        return SaveWriteFailed;
    }
    window_.resetInstrument();
    const int read = window_.readFromInstrument();
    int result = SaveWritten;
    if (readBackDiffers(*image, block, read)) {
        messages_.inform(QString::fromUtf8(ReadBackMismatchMessage), text::MsgIcon::Critical);
        result = SaveWriteFailed;
    }
    window_.enableNavigation();
    return result;
}

void SensorSave::ConfirmAndSave() {
    if (!messages_.askYesNo(texts_.text(46), text::MsgIcon::Question))
        return;
    const int block = sensors_.workingBlock();
    const auto image = encodePage();
    if (!image)
        return;
    sensors_.SensorRecords[static_cast<std::size_t>(block)] = sensors_.CurrentSensor;
    window_.stopPolling();
    link_.clock.delay(device::timing::QuietLine);
    window_.disableNavigation();

    const int written = writeImage(*image, block);
    if (written == 0) {
        for (SensorRecord& record : sensors_.SensorRecords)
            record.clear();
        window_.resetInstrument();
    } else {
        reportWriteFailure(written);
    }
    window_.enableNavigation();
}

} // namespace sensor
