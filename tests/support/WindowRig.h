#pragma once

#include "core/session/PortSetting.h"
#include "sim/SimulatedLine.h"
#include "tests/support/Frames.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedMessages.h"
#include "views/session/Services.h"
#include "views/session/frmOrvoCalibration.h"

#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace testsupport {

// Writes a language file in which every text N of 1..99 reads "TN"; later ones are built in.
void writeNumberedTexts(const QString& languageFile);

// The main window on the simulated ports with an instrument on `port`.
struct InstrumentRig {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    session::PortSetting portSetting{settings};
    session::LanguageSetting languageSetting{settings};
    device::Lifecycle lifecycle;
    ManualClock clock{&lifecycle};
    ScriptedMessages messages;
    sim::SimulatedLine line{clock};
    // The numbered texts, unless a test names a real language file before start().
    QString languageFile = dir.filePath(QStringLiteral("ToranCal.lang"));
    // None unless a test sets them before start().
    QString snapshotDirectory;
    records::RecordKeeper* records = nullptr;
    session::Language language = session::Language::Czech;
    std::unique_ptr<app::frmOrvoCalibration> window;
    const int port;

    explicit InstrumentRig(int instrumentPort,
                           const sim::Instrument& attached = sim::Instrument::withDefaults());

    sim::Instrument& instrument() { return line.instrument(port); }
    [[nodiscard]] QList<QByteArray> framesOf(const QByteArray& command) {
        return testsupport::framesOf(instrument(), command);
    }
    // Builds the window, which runs the start-up.
    app::frmOrvoCalibration& start(const QString& commandLine = {});
    // Shows the window and waits until it is active.
    [[nodiscard]] bool activate();
    // Builds and shows the window and presses Next until `step` is the one Next takes (the port
    app::frmOrvoCalibration& startAt(session::WizardStep step, const QString& commandLine = {});
    void next() { QTest::mouseClick(window->cmdNext, Qt::LeftButton); }
    void back() { QTest::mouseClick(window->cmdBack, Qt::LeftButton); }
    [[nodiscard]] session::WizardStep step() const { return window->session().step(); }
    // The names of the page frames and the status panel that are not hidden.
    [[nodiscard]] QStringList shownFrames() const;
    // Answers the point dialog's next showing with `etalon` and OK.
    [[nodiscard]] std::shared_ptr<bool> answerPointDialog(const QString& etalon = {});
};

} // namespace testsupport
