#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/QtSerialLine.h"
#include "core/records/LabRecords.h"
#include "core/session/Language.h"
#include "core/session/PortSetting.h"
#include "core/session/StartUp.h"
#include "views/common/QtMessageService.h"
#include "views/common/QtTranslations.h"
#include "views/session/Services.h"
#include "views/session/frmOrvoCalibration.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

namespace {

// Prints the help, the version or why the command line is refused; false for a command line
// that runs the window.
bool printed(const session::CommandLine& commandLine) {
    if (commandLine.action == session::CommandLine::Action::Run)
        return false;
    std::fputs(qPrintable(commandLine.text),
               commandLine.action == session::CommandLine::Action::Print ? stdout : stderr);
    return true;
}

int exitCode(const session::CommandLine& commandLine) {
    return commandLine.action == session::CommandLine::Action::Refuse ? 2 : 0;
}

// The snapshot files written before the store existed go into it once; later ones reach it as
// they are written. Tried again at the next start while the store cannot be used; a file that
// cannot be read is left out.
void importSnapshotFilesOnce(records::RecordStore& store, const QString& directory,
                             QSettings& settings) {
    const QString imported = QStringLiteral("Records/SnapshotFilesImported");
    if (settings.value(imported).toBool() || !store.status().usable())
        return;
    (void)store.importSnapshotFiles(directory);
    if (store.status().usable())
        settings.setValue(imported, true);
}

} // namespace

int main(int argc, char** argv) {
    // --help and --version answer before any window system is needed.
    {
        const QCoreApplication reader(argc, argv);
        const session::CommandLine commandLine =
            session::ReadCommandLine(QCoreApplication::arguments());
        if (commandLine.action == session::CommandLine::Action::Print && printed(commandLine))
            return 0;
    }

    QApplication application(argc, argv);
    // Read again without the toolkit's own options ("-style fusion expert" is expert mode).
    const session::CommandLine commandLine =
        session::ReadCommandLine(QCoreApplication::arguments());
    if (printed(commandLine))
        return exitCode(commandLine);
    QCoreApplication::setOrganizationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationName(QStringLiteral("ToranCal"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.torancal.ToranCal"));
    QSettings settings(QSettings::UserScope, QStringLiteral("ToranCal"),
                       QStringLiteral("ToranCal"));
    session::LanguageSetting languageSetting(settings);
    const QString binDirectory = QCoreApplication::applicationDirPath();
    const session::Language language = session::chooseLanguage(
        {commandLine.language, languageSetting.language(), QLocale::system()},
        [&binDirectory](session::Language candidate) {
            const QFileInfo file(session::LanguageFilePath(binDirectory, candidate));
            return file.isFile() && file.isReadable();
        });
    // Qt's own words (the standard buttons) in the program's language, not the desktop's.
    (void)app::installQtTranslations(application, session::languageLocale(language));

    device::Lifecycle lifecycle;
    device::EventLoopClock clock(lifecycle);
    device::QtSerialLine line(qEnvironmentVariable("TORANCAL_PORT_DIR"));
    ui::QtMessageService messages(QStringLiteral("ToranCal"));
    session::PortSetting portSetting(settings);
    const QString dataDirectory = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString snapshotDirectory = dataDirectory + QStringLiteral("/snapshots");
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(TORANCAL_VERSION_MAJOR)
                                                .arg(TORANCAL_VERSION_MINOR)
                                                .arg(TORANCAL_VERSION_PATCH));
    // A laboratory's server keeps the records when records/database names one; this computer
    // keeps those made while it is away (docs/lab-database.md). Read at start only.
    const QString server = settings.value(QStringLiteral("records/database")).toString().trimmed();
    records::StoreOptions localOptions{dataDirectory + QStringLiteral("/records.sqlite")};
    localOptions.givesNumbers = server.isEmpty();
    records::LabRecords store(std::make_unique<records::RecordStore>(std::move(localOptions)),
                              records::serverOpener(server));
    importSnapshotFilesOnce(store.local(), snapshotDirectory, settings);

    const app::Services services{
        line,
        clock,
        messages,
        lifecycle,
        portSetting,
        session::LanguageFilePath(binDirectory, language),
        commandLine.text,
        snapshotDirectory,
        &store,
        &languageSetting,
        language,
        server.isEmpty() ? nullptr : &store,
        [](const QString& address) {
            // Only looked at: a bench's role may not make or migrate the schema.
            const records::RecordStore tried({.database = address, .upgrade = false});
            return tried.status().usable() ? QString() : tried.status().message;
        },
    };
    app::frmOrvoCalibration window(services);
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
