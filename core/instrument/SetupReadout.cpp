#include "core/instrument/SetupReadout.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Timing.h"
#include "core/text/HexCodes.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "core/text/NumberText.h"
#include "core/text/StatusPanel.h"

namespace device {

namespace {

constexpr int DeviceAddress = 0;
// Why the identification failed, after text 33.
constexpr int NoAnswerText = 102;
constexpr int ShortAnswerText = 103;
constexpr int SilentByteText = 342;

QString silentByteMessage(const text::LanguageTable& texts, int port, int address) {
    return texts.text(SilentByteText).arg(port).arg(LongToHex(address, 2));
}

} // namespace

QStringList displayFormats(int displayDigits) {
    if (displayDigits == 5)
        return {"99999", "9999.9", "999.99", "99.999", "9.9999"};
    return {"9999", "999.9", "99.99", "9.999"};
}

QString rangeZeroText(double zero) {
    return GeneralNumber(zero, 15);
}

QString rangeKText(double k) {
    return FormatNumber(k, u"0.00000 E-0");
}

SystemConstants SystemConstants::initial() {
    SystemConstants constants;
    constants.zero.fill(QStringLiteral("32768"));
    constants.k.fill(QStringLiteral("0,001544225"));
    return constants;
}

SystemConstants SystemConstants::of(const InstrumentSetup& setup) {
    SystemConstants constants;
    for (std::size_t i = 0; i < RangeCount; ++i) {
        constants.zero[i] = rangeZeroText(setup.RangeZero[i]);
        constants.k[i] = rangeKText(setup.RangeK[i]);
    }
    return constants;
}

QString rangeName(int range) {
    return QStringLiteral("G%1(%2)").arg(range + 1).arg(1U << range);
}

int ReadTORAN(orvoLib::Link link, text::StatusPanel& status, text::MessageService& messages,
              const text::LanguageTable& texts, InstrumentSetup& setup) {
    status.showStatus();
    status.setStatusText(texts.text(30));

    if (link.line.isOpen())
        link.line.close();
    if (link.line.open() != OpenResult::Opened) {
        status.hideStatus();
        messages.inform(texts.text(31) + QStringLiteral(" (COM%1) ").arg(link.line.portNumber()) +
                            texts.text(32),
                        text::MsgIcon::Critical);
        status.setStatusText(texts.text(33));
        return SetupPortFailed;
    }
    status.setStatusText(texts.text(34) + QStringLiteral(" 5%"));

    (void)link.line.readAll();
    link.line.send("$00@\r");
    link.delay(timing::IdentifyReplyWait);
    const QByteArray reply = link.line.readAll().value_or(QByteArray());
    status.setStatusText(texts.text(34) + QStringLiteral(" 10%"));
    if (reply.size() <= 8) {
        status.hideStatus();
        messages.inform(texts.text(33) + QStringLiteral(" (COM%1): ").arg(link.line.portNumber()) +
                            texts.text(reply.isEmpty() ? NoAnswerText : ShortAnswerText),
                        text::MsgIcon::Critical);
        return SetupNoAnswer;
    }
    if (!reply.toUpper().contains("TORAN")) {
        status.hideStatus();
        messages.inform(texts.text(35), text::MsgIcon::Critical);
        return SetupNotToran;
    }

    const auto fail = [&](int address) {
        status.hideStatus();
        messages.inform(silentByteMessage(texts, link.line.portNumber(), address),
                        text::MsgIcon::Critical);
        return SetupByteSilent;
    };

    InstrumentSetup read;
    read.Identification = QString::fromLatin1(reply).trimmed();
    const int digits =
        orvoLib::ReadByte(link, DeviceAddress, DisplayDigitsAddress, timing::ByteTimeout);
    status.setStatusText(texts.text(34) + QStringLiteral(" 15%"));
    if (digits < 0)
        return fail(DisplayDigitsAddress);
    read.DisplayDigits = digits == 5 ? 5 : 4;

    const auto readFloat = [&](int address) {
        return orvoLib::ReadFloatChecked(link, DeviceAddress, address, timing::ByteTimeout, true);
    };
    const auto zero = readFloat(ActiveZeroAddress);
    if (zero.failedAddress)
        return fail(*zero.failedAddress);
    const auto k = readFloat(ActiveKAddress);
    if (k.failedAddress)
        return fail(*k.failedAddress);
    read.ActiveZero = static_cast<float>(zero.value);
    read.ActiveK = static_cast<float>(k.value);

    for (int i = 0; i < RangeCount; ++i) {
        status.setStatusText(texts.text(34) + FormatNumber(20.0 + i * 80.0 / 7.0, u"##0") +
                             QStringLiteral("%"));
        const auto rangeZero = readFloat(rangeZeroAddress(i));
        if (rangeZero.failedAddress)
            return fail(*rangeZero.failedAddress);
        const auto rangeK = readFloat(rangeKAddress(i));
        if (rangeK.failedAddress)
            return fail(*rangeK.failedAddress);
        read.RangeZero[static_cast<std::size_t>(i)] = rangeZero.value;
        read.RangeK[static_cast<std::size_t>(i)] = rangeK.value;
    }
    status.hideStatus();
    setup = read;
    return SetupRead;
}

} // namespace device
