#pragma once

#include <QString>

namespace session {

// Watches the writes into the instrument and the read-outs that fail: the window keeps a
// snapshot of what the instrument held before each write and the serial trace of a failure.
class WriteWatch {
public:
    // The system constants, where a block number is expected.
    static constexpr int Constants = -1;

    virtual ~WriteWatch() = default;
    // Called before the first byte of a write into sensor block `block` (or the Constants), with
    // the session still holding what the last read-out read; sends nothing. Returns the snapshot
    // that keeps what the instrument held (a file name), or nothing when none could be kept.
    virtual QString beforeWrite(int block) = 0;
    // A write or a read-out failed. Returns what the failure message adds for the operator (the
    // files kept), or nothing.
    [[nodiscard]] virtual QString failed(bool writing) = 0;
};

} // namespace session
