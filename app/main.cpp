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

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationName(QStringLiteral("ToranCal"));
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
        QCoreApplication::applicationDirPath() + QStringLiteral("/ToranCal.lang"),
        QCoreApplication::arguments().mid(1).join(u' '),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
            QStringLiteral("/snapshots"),
    };
    app::frmOrvoCalibration window(services);
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
