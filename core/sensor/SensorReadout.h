#pragma once

#include "core/instrument/LiveValues.h"
#include "core/instrument/OrvoLib.h"
#include "core/instrument/SetupReadout.h"
#include "core/sensor/SensorRecord.h"

#include <QString>
#include <array>

namespace text {
class LanguageTable;
class MessageService;
class StatusPanel;
} // namespace text

namespace sensor {

inline constexpr char FsnStructureError[] = "FSN structure error.";

// The message for a sensor block that could not be read from the instrument at COM`port`.
[[nodiscard]] QString blockReadFailedMessage(const text::LanguageTable& texts, int block, int port);

// Asks which sensors are present ("$00KQ"), reads and decodes their blocks (internal first)
// and chooses CurrentSensor; the active zero and constant become those of the sensor's range
// as the system constants hold them. A block that cannot be read leaves its record empty and is
// reported once; a block that does not decode is reported once with "FSN structure error.". Does
// nothing when the port is closed.
void ReadSensors(device::orvoLib::Link link, text::StatusPanel& status,
                 text::MessageService& messages, const text::LanguageTable& texts,
                 const device::SystemConstants& constants, SensorState& sensors,
                 device::LiveValues& live);

} // namespace sensor
