#pragma once

#include "core/instrument/Link.h"

namespace testsupport {

// The tests' stand-in for the action runner.
struct TestLinks : private device::LinkIssuer {
    [[nodiscard]] static device::Link on(device::SerialLine& line, device::Clock& clock) {
        return issueLink(line, clock);
    }
};

[[nodiscard]] inline device::Link link(device::SerialLine& line, device::Clock& clock) {
    return TestLinks::on(line, clock);
}

} // namespace testsupport
