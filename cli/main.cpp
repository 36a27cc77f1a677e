// torancal-cli: the instrument's identification, read-out, backup, restore and verify for
// production scripts, on the core alone.

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ConsoleOutlets.h"
#include "cli/Report.h"
#include "cli/SignalEnd.h"
#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/QtSerialLine.h"
#include "core/instrument/SerialTrace.h"
#include "core/session/Session.h"
#include "core/session/StartUp.h"
#include "core/text/LanguageFile.h"
#include "core/text/LanguageTable.h"
#include "core/text/StatusPanel.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>
#include <exception>

namespace {

// --json among the arguments, also where the rest of them does not parse.
bool wantsJson(const QStringList& arguments) {
    return std::any_of(arguments.begin() + 1, arguments.end(), [](const QString& argument) {
        return argument == u"--json" || argument.startsWith(u"--json=");
    });
}

// Help or version: a line on stdout, or the text in the JSON object.
int answer(const cli::Parsed& parsed, const QStringList& arguments) {
    if (!wantsJson(arguments)) {
        std::fputs(qPrintable(parsed.text + u'\n'), stdout);
        return static_cast<int>(cli::ExitCode::Success);
    }
    cli::Report report(QString(), true);
    const bool help =
        arguments.contains(u"--help") || arguments.contains(u"-h") || arguments.contains(u"-?");
    report.set(help ? QStringLiteral("help") : QStringLiteral("version"), parsed.text);
    return report.finish(cli::ExitCode::Success);
}

// A signal ended the command: 75 when a write into the instrument began (a block is written
// whole, but nothing after it was read back), else 128 + the signal's number as a shell reports
// a program killed by it.
cli::ExitCode stopped(cli::Report& report, int signal, bool written) {
    const QString name = cli::SignalEnd::name(signal);
    report.set(QStringLiteral("signal"), name);
    if (!written)
        return report.fail(
            static_cast<cli::ExitCode>(128 + signal),
            QStringLiteral("stopped by %1; nothing was written into the instrument").arg(name));
    const cli::ExitCode code = report.fail(
        cli::ExitCode::NotVerified,
        QStringLiteral("stopped by %1 after a write into the instrument began: the block in "
                       "writing was finished, but what the instrument holds was not read back")
            .arg(name));
    if (const QString snapshot = report.value(QStringLiteral("snapshot")).toString();
        !snapshot.isEmpty())
        cli::Report::diagnostic(QStringLiteral("note: snapshot before the restore: ") + snapshot);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TORANCAL_VERSION_MAJOR)
                                                .arg(TORANCAL_VERSION_MINOR)
                                                .arg(TORANCAL_VERSION_PATCH));

    const QStringList arguments = QCoreApplication::arguments();
    const cli::Parsed parsed = cli::parseCommandLine(arguments);
    if (!parsed.request) {
        if (parsed.isError) {
            cli::Report report(QString(), wantsJson(arguments));
            return report.finish(report.fail(cli::ExitCode::Usage, parsed.text));
        }
        return answer(parsed, arguments);
    }
    const cli::Request& request = *parsed.request;

    device::Lifecycle lifecycle;
    device::EventLoopClock clock(lifecycle);
    const QString portDirectory = qEnvironmentVariable("TORANCAL_PORT_DIR");
    device::QtSerialLine port(portDirectory);
    if (request.needsInstrument())
        port.setDevicePath(request.devicePath);
    device::SerialTrace trace;
    device::TracingLine line(port, trace);
    text::LanguageTable texts;
    text::LoadLanguageFile(session::LanguageFilePath(QCoreApplication::applicationDirPath()),
                           texts);
    cli::ConsoleMessages messages;
    text::NoStatusPanel status;
    session::Session session(line, clock, lifecycle, {messages, status, texts});

    cli::Report report(cli::commandName(request.command), request.json);
    const cli::SignalEnd endSignals([&session](int) { session.runner().requestEnd(); });
    cli::Commands commands(request,
                           {session, portDirectory,
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                                QStringLiteral("/snapshots")},
                           report);
    cli::ExitCode code = cli::ExitCode::Success;
    try {
        code = commands.run();
    } catch (const std::exception& error) {
        // Still one report for the script; what a write had begun is not known.
        code = report.fail(
            cli::ExitCode::Software,
            QStringLiteral("internal error: %1; if a write into the instrument had begun, what "
                           "it holds is not known (verify it)")
                .arg(QString::fromLocal8Bit(error.what())));
    }
    if (commands.cutShort())
        code = stopped(report, endSignals.received(), lifecycle.criticalSectionEntered());
    if (line.isOpen())
        line.close();
    if (!request.logFile.isEmpty()) {
        QString error;
        if (trace.save(request.logFile, &error)) {
            report.set(QStringLiteral("log"), request.logFile);
        } else {
            report.warn(
                QStringLiteral("cannot write the trace %1: %2").arg(request.logFile, error));
            if (code == cli::ExitCode::Success)
                code = cli::ExitCode::PermissionDenied;
        }
    }
    return report.finish(code);
}
