// torancal-cli: the instrument's identification, read-out, backup, restore and verify for
// production scripts, on the core alone.

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ConsoleOutlets.h"
#include "cli/Report.h"
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
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TORANCAL_VERSION_MAJOR)
                                                .arg(TORANCAL_VERSION_MINOR)
                                                .arg(TORANCAL_VERSION_PATCH));

    const cli::Parsed parsed = cli::parseCommandLine(QCoreApplication::arguments());
    if (!parsed.request) {
        if (parsed.isError) {
            cli::Report report(QString(),
                               QCoreApplication::arguments().contains(QStringLiteral("--json")));
            return report.finish(report.fail(cli::ExitCode::Usage, parsed.text));
        }
        std::fputs(qPrintable(parsed.text + u'\n'), stdout);
        return static_cast<int>(cli::ExitCode::Success);
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
    cli::ExitCode code =
        cli::Commands(request,
                      {session, portDirectory,
                       QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                           QStringLiteral("/snapshots")},
                      report)
            .run();
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
