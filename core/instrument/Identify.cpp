#include "core/instrument/Identify.h"

#include "core/instrument/Clock.h"
#include "core/instrument/Lifecycle.h"
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

PortSearchResult SearchInstrumentPort(orvoLib::Link link, const SearchProgress& progress) {
    PortSearchResult result;
    if (link.line.isOpen())
        link.line.close();
    for (int n = SerialLine::FirstPort; n <= SerialLine::LastPort; ++n) {
        if (progress && !progress(n)) {
            result.cancelled = true;
            return result;
        }
        if (!link.line.setPortNumber(n))
            continue;
        const OpenResult opened = link.line.open();
        if (opened == OpenResult::PermissionDenied && !result.permissionRefused) {
            result.permissionRefused = true;
            result.refusedGroup = deviceGroup(link.line.deviceName());
        }
        if (opened != OpenResult::Opened)
            continue;
        bool identified = false;
        try {
            identified = IdentifyRequest(link);
        } catch (const CancelRequested&) {
            link.line.close();
            result.cancelled = true;
            return result;
        }
        link.line.close();
        if (identified) {
            result.port = n;
            return result;
        }
    }
    return result;
}

} // namespace device
