#include "core/session/PortSetting.h"

#include "core/text/NumberText.h"

#include <QSettings>

namespace session {

namespace {

QString key() {
    return QStringLiteral("Default/ComPort");
}

} // namespace

int PortSetting::comPort() const {
    return device::ReadWholeNumber(store_.value(key(), QStringLiteral("1")).toString());
}

void PortSetting::setComPort(int number) {
    store_.setValue(key(), QString::number(number));
    store_.sync();
}

} // namespace session
