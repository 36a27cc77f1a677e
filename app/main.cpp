#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
#include "core/instrument/QtSerialLine.h"
#include "core/session/PortSetting.h"
#include "core/session/StartUp.h"
#include "views/QtMessageService.h"
#include "views/QtTranslations.h"
#include "views/Services.h"
#include "views/frmOrvoCalibration.h"

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <cstdio>

int main(int argc, char** argv) {
    // --help and --version answer before any window system is needed.
    session::CommandLine commandLine;
    {
        const QCoreApplication reader(argc, argv);
        commandLine = session::ReadCommandLine(QCoreApplication::arguments());
    }
    if (commandLine.action == session::CommandLine::Action::Print) {
        std::fputs(qPrintable(commandLine.text), stdout);
        return 0;
    }

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationName(QStringLiteral("ToranCal"));
    QGuiApplication::setDesktopFileName(QStringLiteral("cz.torancal.ToranCal"));
    (void)app::installQtTranslations(application, QLocale::system());

    device::Lifecycle lifecycle;
    device::EventLoopClock clock(lifecycle);
    device::QtSerialLine line(qEnvironmentVariable("TORANCAL_PORT_DIR"));
    ui::QtMessageService messages(QStringLiteral("ToranCal"));
    QSettings settings(QSettings::UserScope, QStringLiteral("ToranCal"),
                       QStringLiteral("ToranCal"));
    session::PortSetting portSetting(settings);

    const app::Services services{
        line,
        clock,
        messages,
        lifecycle,
        portSetting,
        session::LanguageFilePath(QCoreApplication::applicationDirPath()),
        commandLine.text,
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
            QStringLiteral("/snapshots"),
    };
    app::frmOrvoCalibration window(services);
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
