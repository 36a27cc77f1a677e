#pragma once

#include "core/instrument/OrvoLib.h"

#include <QString>
#include <functional>

namespace device {

// The identification exchange on the open port: stale input is dropped, "$00@" is sent twice
// 100 ms apart, and what arrived by then must contain "TORAN" (exact case).
[[nodiscard]] bool IdentifyRequest(orvoLib::Link link);

struct PortSearchResult {
    int port = 0; // 1..49, or 0 when no port answered
    // Some port exists but could not be opened for lack of permission.
    bool permissionRefused = false;
    // The group that owns the first port refused so, where the system tells.
    QString refusedGroup;
    // The operator stopped the search before a port answered.
    bool cancelled = false;
};

// Told the number of each port before it is tried; false stops the search there.
using SearchProgress = std::function<bool(int port)>;

// Probes COM1..COM49 in rising order and stops at the first that identifies; the port is left
// closed. Ports that cannot be opened are skipped. A cancel (Lifecycle::requestCancel) ends the
// probe in progress at its next wait, as does `progress` answering false before a port.
[[nodiscard]] PortSearchResult SearchInstrumentPort(orvoLib::Link link,
                                                    const SearchProgress& progress = {});

} // namespace device
