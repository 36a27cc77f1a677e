#pragma once

#include <chrono>

// Timings and retry counts of the protocol with the Toran R-40, in one place.
namespace device::timing {

using namespace std::chrono_literals;

// A wait for a reply gives up after a whole number of these steps; where the line cannot tell
// of arriving characters, the wait looks at the receive count once per step.
inline constexpr auto PollStep = 10ms;
// A reply of the expected length that does not end in the line end counts as complete once no
// further character followed for this long (about four characters at 9600 baud), so one
// character too many still fails it, also when the sender pauses a little between characters.
// A reply ending in the line end is complete at once.
inline constexpr auto ReplySettle = 4ms;
// Time-out that the setup read-out and the system calibration pass to the byte exchanges.
inline constexpr auto ByteTimeout = 100ms;
// A byte read is sent up to this many times; a byte write waits up to this many times.
inline constexpr int ByteAttempts = 4;
// A block reply (513 characters) must be complete within this many poll steps (about 1 s).
inline constexpr int BlockReadPolls = 100;
// Pause before the first byte of a block write.
inline constexpr auto BlockWriteLeadIn = 500ms;
// Each byte of a block write is echoed within this many poll steps, or sent again.
inline constexpr int BlockWritePolls = 20;
inline constexpr int BlockWriteAttempts = 3;
// The identification reply is read this long after "$00@".
inline constexpr auto IdentifyReplyWait = 100ms;
// The port check and the search let stale input settle this long before "$00@".
inline constexpr auto IdentifySettle = 200ms;
// The sensor presence reply is read this long after "$00KQ".
inline constexpr auto PresenceReplyWait = 250ms;
// A pause after the polling stops, before exchanges that need a quiet line.
inline constexpr auto QuietLine = 500ms;
// The instrument needs this long to restart after "$00X".
inline constexpr auto ResetRecovery = 1000ms;
// The live signal is requested once per tick.
inline constexpr auto PollInterval = 200ms;

} // namespace device::timing
