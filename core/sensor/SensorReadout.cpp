#include "core/sensor/SensorReadout.h"

#include "core/instrument/Clock.h"
#include "core/instrument/SerialLine.h"
#include "core/instrument/Timing.h"
#include "core/sensor/SensorImage.h"
#include "core/text/HexCodes.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "core/text/StatusPanel.h"

namespace sensor {

namespace {

constexpr int DeviceAddress = 0;
constexpr int PresenceReplyLength = 3;
constexpr int BlockReadFailedText = 354;

std::uint8_t askSensorMask(device::orvoLib::Link link) {
    (void)link.line.readAll();
    link.line.send("$00KQ\r");
    link.delay(device::timing::PresenceReplyWait);
    const QByteArray reply = link.line.readAll().value_or(QByteArray());
    if (reply.size() != PresenceReplyLength)
        return 0;
    return static_cast<std::uint8_t>(device::HexToLong(QByteArrayView(reply).first(2)));
}

} // namespace

QString blockReadFailedMessage(const text::LanguageTable& texts, int block, int port) {
    return texts.text(BlockReadFailedText)
        .arg(block == ExternalBlock ? QStringLiteral("EXT") : QStringLiteral("INT"))
        .arg(port);
}

void ReadSensors(device::orvoLib::Link link, text::StatusPanel& status,
                 text::MessageService& messages, const text::LanguageTable& texts,
                 const device::SystemConstants& constants, SensorState& sensors,
                 device::LiveValues& live) {
    if (!link.line.isOpen())
        return;
    status.showStatus();
    status.setStatusText(texts.text(36));
    for (auto& record : sensors.SensorRecords)
        record.clear();
    // A block that fails to read must not leave an older image as the comparison base.
    sensors.SensorImage.clear();
    for (auto& image : sensors.BlockImages)
        image.clear();
    link.delay(std::chrono::milliseconds(0));

    sensors.SensorMask = askSensorMask(link);
    for (const int block : {InternalBlock, ExternalBlock}) {
        SensorRecord& record = sensors.SensorRecords[static_cast<std::size_t>(block)];
        if ((sensors.SensorMask & (1U << block)) == 0)
            continue;
        QByteArray image;
        if (device::orvoLib::ReadBlock(link, image, DeviceAddress, block) != 1) {
            messages.inform(blockReadFailedMessage(texts, block, link.line.portNumber()),
                            text::MsgIcon::Critical);
            continue;
        }
        sensors.SensorImage = image;
        sensors.BlockImages[static_cast<std::size_t>(block)] = image;
        const int decoded = DecodeSensorImage(image, record);
        const auto range = static_cast<std::size_t>(record.GainIndex & 7);
        live.ActiveK = device::toSingle(device::ValDecimal(constants.k[range]));
        live.ActiveZero = device::toSingle(device::ValDecimal(constants.zero[range]));
        record.RangeK = live.ActiveK;
        record.RangeZero = live.ActiveZero;
        if (decoded < 0)
            messages.inform(QLatin1String(FsnStructureError), text::MsgIcon::Critical);
    }
    status.setStatusText(texts.text(37));
    status.hideStatus();
    sensors.CurrentSensor = sensors.SensorRecords[static_cast<std::size_t>(sensors.workingBlock())];
}

} // namespace sensor
