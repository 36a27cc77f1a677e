#include "tests/support/WindowRig.h"

#include "core/text/LanguageTable.h"
#include "views/calibration/CurvePage.h"
#include "views/calibration/PointDialog.h"
#include "views/instrument/PortPage.h"
#include "views/instrument/SignalPanels.h"
#include "views/instrument/StatusPanel.h"
#include "views/sensor/SensorPage.h"

#include <QFile>
#include <QLineEdit>
#include <QTimer>

namespace testsupport {

void writeNumberedTexts(const QString& languageFile) {
    QByteArray text;
    for (int n = text::LanguageTable::First; n <= text::LanguageTable::LastOriginal; ++n)
        text += QByteArray::number(n) + "=T" + QByteArray::number(n) + "\r\n";
    QFile file(languageFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(languageFile));
}

InstrumentRig::InstrumentRig(int instrumentPort, const sim::Instrument& attached)
    : port(instrumentPort) {
    writeNumberedTexts(languageFile);
    line.attach(port, attached);
    portSetting.setComPort(port);
}

app::frmOrvoCalibration& InstrumentRig::start(const QString& commandLine) {
    window = std::make_unique<app::frmOrvoCalibration>(
        app::Services{line, clock, messages, lifecycle, portSetting, languageFile, commandLine,
                      snapshotDirectory, records, &languageSetting, language});
    return *window;
}

bool InstrumentRig::activate() {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
}

app::frmOrvoCalibration& InstrumentRig::startAt(session::WizardStep step,
                                                const QString& commandLine) {
    start(commandLine);
    if (!activate())
        qWarning("the window did not become active");
    while (this->step() < step && !window->hasEnded())
        next();
    instrument().clearLog();
    messages.clear();
    return *window;
}

QStringList InstrumentRig::shownFrames() const {
    QStringList shown;
    for (const QWidget* frame :
         std::initializer_list<const QWidget*>{window->fraCOMM, window->fraSNIMAC, window->fraCURVE,
                                               window->fraDISPLAY, window->fraSTATUS})
        if (!frame->isHidden())
            shown.append(frame->objectName());
    return shown;
}

std::shared_ptr<bool> InstrumentRig::answerPointDialog(const QString& etalon) {
    auto shown = std::make_shared<bool>(false);
    calibration::frmOrvoCalibInputBox& dialog = window->InputBox();
    QTimer::singleShot(0, &dialog, [&dialog, shown, etalon] {
        *shown = dialog.isVisible();
        if (etalon.isNull())
            return dialog.reject();
        dialog.txtCalBod[1]->setText(etalon);
        dialog.cmdOK[0]->click();
    });
    return shown;
}

} // namespace testsupport
