#pragma once

#include <QObject>

namespace device {

// Tells a waiting clock that what it waits for may have changed: a serial line that can tell
// signals each arrival of received characters through one.
class WakeSource : public QObject {
    Q_OBJECT
signals:
    void woken();
};

} // namespace device
