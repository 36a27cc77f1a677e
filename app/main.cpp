#include "app/PortSetting.h"
#include "app/Services.h"
#include "app/StartUp.h"
#include "app/frmOrvoCalibration.h"
#include "device/QtSerialLine.h"
#include "ui/Clock.h"
#include "ui/Lifecycle.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QSettings>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ToranCal"));
    QCoreApplication::setApplicationName(QStringLiteral("ToranCal"));

    ui::Lifecycle lifecycle;
    ui::EventLoopClock clock(lifecycle);
    device::QtSerialLine line(qEnvironmentVariable("TORANCAL_PORT_DIR"));
    ui::QtMessageService messages(QStringLiteral("ToranCal"));
    QSettings settings(QSettings::UserScope, QStringLiteral("ToranCal"),
                       QStringLiteral("ToranCal"));
    app::PortSetting portSetting(settings);

    const app::Services services{
        line,
        clock,
        messages,
        lifecycle,
        portSetting,
        QCoreApplication::applicationDirPath() + QStringLiteral("/ToranCal.lang"),
        QCoreApplication::arguments().mid(1).join(u' '),
    };
    app::frmOrvoCalibration window(services);
    messages.setParent(&window);
    window.show();
    return QApplication::exec();
}
