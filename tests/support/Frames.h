#pragma once

#include "sim/Instrument.h"

#include <QByteArray>
#include <QList>

namespace testsupport {

// The frames the instrument received for `command` ("KW", "X", ...), in order.
[[nodiscard]] inline QList<QByteArray> framesOf(const sim::Instrument& instrument,
                                                const QByteArray& command) {
    QList<QByteArray> found;
    for (const QByteArray& frame : instrument.frames())
        if (frame.startsWith("$00" + command))
            found.append(frame);
    return found;
}

} // namespace testsupport
