#pragma once

#include "core/backup/SnapshotStore.h"
#include "core/session/WriteWatch.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace device {
class SerialTrace;
}
namespace session {
class Session;
}

namespace backup {

// Keeps a snapshot of what the instrument held before each write into it, from the session's
// last read-out, and saves the serial trace beside the snapshots when a write or a read-out
// fails. A directory that cannot be written is reported once; the writes go on without it.
class SnapshotKeeper final : public session::WriteWatch {
public:
    using TimeSource = std::function<QDateTime()>;

    SnapshotKeeper(session::Session& session, SnapshotStore store, device::SerialTrace& trace,
                   TimeSource now = {});

    QString beforeWrite(int block) override;
    [[nodiscard]] QString failed(bool writing) override;

    [[nodiscard]] const SnapshotStore& store() const { return store_; }
    // The snapshot written before the last write; empty when none could be written.
    [[nodiscard]] const QString& lastSnapshot() const { return lastSnapshot_; }
    // Saves the trace beside the snapshots as "trace-<sequence>_<yyyyMMdd-HHmmss-zzz>.txt" and
    // prunes the older traces; the operator's note naming the file, or why it was not saved.
    [[nodiscard]] QString saveTrace();

private:
    session::Session& session_;
    SnapshotStore store_;
    device::SerialTrace& trace_;
    TimeSource now_;
    QString lastSnapshot_;
    bool unwritableReported_ = false;
};

} // namespace backup
