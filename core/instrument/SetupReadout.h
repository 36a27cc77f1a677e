#pragma once

#include "core/instrument/OrvoLib.h"

#include <QStringList>
#include <array>

namespace text {
class LanguageTable;
class MessageService;
class StatusPanel;
} // namespace text

namespace device {

inline constexpr int RangeCount = 8;

// What the instrument keeps in its setup memory.
struct InstrumentSetup {
    // The reply to "$00@" without its line end, such as "TORAN R-40 v2.10".
    QString Identification;
    int DisplayDigits = 4;
    float ActiveZero = 0.0F;
    float ActiveK = 0.0F;
    std::array<double, RangeCount> RangeZero{};
    std::array<double, RangeCount> RangeK{};
};

// Results of ReadTORAN.
inline constexpr int SetupRead = 1;
inline constexpr int SetupPortFailed = -1;
inline constexpr int SetupNotToran = -2;
inline constexpr int SetupNoAnswer = -3;
inline constexpr int SetupByteSilent = -4;

// Setup-memory addresses.
inline constexpr int ActiveZeroAddress = 10;
inline constexpr int ActiveKAddress = 14;
inline constexpr int DisplayDigitsAddress = 18;
[[nodiscard]] constexpr int rangeZeroAddress(int range) {
    return 0x20 + 8 * range;
}
[[nodiscard]] constexpr int rangeKAddress(int range) {
    return 0x24 + 8 * range;
}

// The zero N and constant k of each gain range as the operator sees and edits them. The texts
// are read as numbers where they are used, so an edit takes effect at the next use.
struct SystemConstants {
    std::array<QString, RangeCount> zero;
    std::array<QString, RangeCount> k;

    // What the instrument holds before anything was read.
    [[nodiscard]] static SystemConstants initial();
    // As read from the setup memory.
    [[nodiscard]] static SystemConstants of(const InstrumentSetup& setup);
    bool operator==(const SystemConstants&) const = default;
};

// The name of a gain range: "G1(1)" .. "G8(128)".
[[nodiscard]] QString rangeName(int range);

// The display formats offered for a 4- or 5-digit display (largest displayable numbers).
[[nodiscard]] QStringList displayFormats(int displayDigits);
// How the system calibration boxes show a range's zero and constant.
[[nodiscard]] QString rangeZeroText(double zero);
[[nodiscard]] QString rangeKText(double k);

// Reopens the port, checks that a Toran answers and reads the setup memory into `setup`, with
// progress in the status panel. Returns SetupRead or a negative status; on failure `setup` is
// untouched and the operator has been told (except for SetupNoAnswer). A setup byte that does
// not answer fails the whole read-out, so no made-up constant is ever shown or written back.
[[nodiscard]] int ReadTORAN(orvoLib::Link link, text::StatusPanel& status,
                            text::MessageService& messages, const text::LanguageTable& texts,
                            InstrumentSetup& setup);

} // namespace device
