#pragma once

#include "core/session/PortSetting.h"
#include "sim/SimulatedLine.h"
#include "tests/support/Frames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "views/Services.h"
#include "views/frmOrvoCalibration.h"

#include <QSettings>
#include <QTemporaryDir>
#include <memory>

namespace testsupport {

// Writes a language file in which every text N reads "TN", so a test can tell which text a
// message used.
void writeNumberedTexts(const QString& languageFile);

// The main window on the simulated ports, with a manual clock and scripted message boxes; its
// settings and language file live in a temporary directory. No port has an instrument and no
// window exists until the test says so.
struct WindowRig {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    session::PortSetting portSetting{settings};
    device::Lifecycle lifecycle;
    ManualClock clock{&lifecycle};
    ScriptedMessages messages;
    sim::SimulatedLine line{clock};
    QString languageFile = dir.filePath(QStringLiteral("ToranCal.lang"));
    std::unique_ptr<app::frmOrvoCalibration> window;

    // Written in Windows-1250, as the program's own file is.
    void writeLanguageFile(QStringView text) const;
    void writeNumberedTexts() const { testsupport::writeNumberedTexts(languageFile); }
    // Builds the window, which runs the start-up.
    app::frmOrvoCalibration& start(const QString& commandLine = {});
    // Shows the window and waits until it is active.
    [[nodiscard]] bool activate();
    // The names of the page frames and the status panel that are not hidden.
    [[nodiscard]] QStringList shownFrames() const;
};

// A WindowRig with an instrument on `port`, remembered as the port to use, and numbered texts.
struct InstrumentRig : WindowRig {
    const int port;

    explicit InstrumentRig(int instrumentPort,
                           const sim::Instrument& attached = sim::Instrument::withDefaults());

    sim::Instrument& instrument() { return line.instrument(port); }
    [[nodiscard]] QList<QByteArray> framesOf(const QByteArray& command) {
        return testsupport::framesOf(instrument(), command);
    }
    // Builds the window and shows it; warns when it does not become active.
    app::frmOrvoCalibration& startActive(const QString& commandLine = {});
    // Builds and shows the window and presses Next until the wizard is at `step` (the sensor
    // page for CurvePage, the curve page for Finish); then clears the log and the messages.
    app::frmOrvoCalibration& startAt(session::WizardStep step, const QString& commandLine = {});
    void next();
    void back();
    [[nodiscard]] session::WizardStep step() const { return window->session().step(); }
};

} // namespace testsupport
