#include "tests/support/WindowRig.h"

#include "core/text/Windows1250.h"
#include "views/CurvePage.h"
#include "views/PortPage.h"
#include "views/SensorPage.h"
#include "views/SignalPanels.h"
#include "views/StatusPanel.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

namespace testsupport {

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

} // namespace

void writeNumberedTexts(const QString& languageFile) {
    QByteArray text;
    for (int n = 1; n <= 99; ++n)
        text += QByteArray::number(n) + "=T" + QByteArray::number(n) + "\r\n";
    writeFile(languageFile, text);
}

void WindowRig::writeLanguageFile(QStringView text) const {
    writeFile(languageFile, text::toWindows1250(text));
}

app::frmOrvoCalibration& WindowRig::start(const QString& commandLine) {
    window = std::make_unique<app::frmOrvoCalibration>(
        app::Services{line, clock, messages, lifecycle, portSetting, languageFile, commandLine});
    return *window;
}

bool WindowRig::activate() {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
}

InstrumentRig::InstrumentRig(int instrumentPort, const sim::Instrument& attached)
    : port(instrumentPort) {
    writeNumberedTexts();
    line.attach(port, attached);
    portSetting.setComPort(port);
}

app::frmOrvoCalibration& InstrumentRig::startActive(const QString& commandLine) {
    start(commandLine);
    if (!activate())
        qWarning("the window did not become active");
    return *window;
}

app::frmOrvoCalibration& InstrumentRig::startAt(session::WizardStep step,
                                                const QString& commandLine) {
    startActive(commandLine);
    while (this->step() < step && !window->hasEnded())
        next();
    instrument().clearLog();
    messages.clear();
    return *window;
}

QStringList WindowRig::shownFrames() const {
    QStringList shown;
    for (const QWidget* frame :
         std::initializer_list<const QWidget*>{window->fraCOMM, window->fraSNIMAC, window->fraCURVE,
                                               window->fraDISPLAY, window->fraSTATUS})
        if (!frame->isHidden())
            shown.append(frame->objectName());
    return shown;
}

void InstrumentRig::next() {
    QTest::mouseClick(window->cmdNext, Qt::LeftButton);
}

void InstrumentRig::back() {
    QTest::mouseClick(window->cmdBack, Qt::LeftButton);
}

} // namespace testsupport
