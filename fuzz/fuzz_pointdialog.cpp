// Text typed into the point dialog's two boxes, then OK: "signal LF etalon LF etalon format".
// The dialog needs an application object, made once for the whole run.
#include "core/text/DeviceFloat.h"
#include "core/text/NumberText.h"
#include "fuzz/FuzzSupport.h"
#include "views/PointDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <cmath>
#include <limits>

using fuzzing::check;
using fuzzing::sameBits;

namespace {

// What the dialog may store for a typed text: a number whose 32-bit value has a device float
// code.
std::optional<float> storable(const QString& text) {
    const double value = device::ValDecimal(text);
    if (!(std::fabs(value) <= std::numeric_limits<float>::max()))
        return std::nullopt;
    const auto single = static_cast<float>(value);
    if (!device::isDeviceFloatEncodable(single))
        return std::nullopt;
    return single;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // libFuzzer calls in for every input; the application has to outlive them all.
    static QApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QStringList parts = QString::fromUtf8(fuzzing::bytesOf(data, size)).split(u'\n');
    const QString signalText = parts.value(0);
    const QString etalonText = parts.value(1);

    calibration::frmOrvoCalibInputBox dialog;
    dialog.SIG = 0.125F;
    dialog.ETH = 2.5F;
    dialog.ETHFormat = parts.size() > 2 ? parts.at(2) : QStringLiteral("##0.000");
    dialog.UPDATE();
    // The boxes show what the fields hold, in the dialog's patterns.
    check(dialog.txtCalBod[1]->text() == device::FormatFixed(2.5, dialog.ETHFormat));

    dialog.txtCalBod[0]->setText(signalText);
    dialog.txtCalBod[1]->setText(etalonText);
    dialog.accept();

    const auto signal = storable(dialog.txtCalBod[0]->text());
    const auto etalon = storable(dialog.txtCalBod[1]->text());
    const bool taken = signal && etalon;
    check(dialog.confirmed() == taken);
    check(dialog.result() == (taken ? QDialog::Accepted : QDialog::Rejected));
    if (taken) {
        check(sameBits(dialog.SIG, *signal) && sameBits(dialog.ETH, *etalon));
    } else {
        // A refused number changes nothing.
        check(sameBits(dialog.SIG, 0.125F) && sameBits(dialog.ETH, 2.5F));
    }
    return 0;
}
