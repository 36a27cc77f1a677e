#include "core/instrument/Identify.h"

#include "core/instrument/Clock.h"
#include "core/instrument/PortTrouble.h"
#include "core/instrument/Timing.h"

namespace device {

namespace {
constexpr char IdentifyFrame[] = "$00@\r";
}

bool IdentifyRequest(orvoLib::Link link) {
    (void)link.line.readAll();
    link.delay(timing::IdentifySettle);
    link.line.send(IdentifyFrame);
    link.delay(timing::IdentifyReplyWait);
    link.line.send(IdentifyFrame);
    link.delay(timing::IdentifyReplyWait);
    return link.line.readAll().value_or(QByteArray()).contains("TORAN");
}

PortSearchResult SearchInstrumentPort(orvoLib::Link link) {
    PortSearchResult result;
    if (link.line.isOpen())
        link.line.close();
    for (int n = SerialLine::FirstPort; n <= SerialLine::LastPort; ++n) {
        if (!link.line.setPortNumber(n))
            continue;
        const OpenResult opened = link.line.open();
        if (opened == OpenResult::PermissionDenied && !result.permissionRefused) {
            result.permissionRefused = true;
            result.refusedGroup = deviceGroup(link.line.deviceName());
        }
        if (opened != OpenResult::Opened)
            continue;
        const bool identified = IdentifyRequest(link);
        link.line.close();
        if (identified) {
            result.port = n;
            return result;
        }
    }
    return result;
}

} // namespace device
