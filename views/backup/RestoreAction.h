#pragma once

#include "core/backup/SnapshotStore.h"

#include <QDialog>
#include <QObject>

class QAction;
class QTreeWidget;
class QWidget;

namespace backup {
class SnapshotKeeper;
}
namespace sensor {
class SensorPage;
}
namespace session {
class Session;
}
namespace text {
class LanguageTable;
class MessageService;
} // namespace text

namespace app {

// Lists the snapshots of one sensor, newest first: date, description, point count.
class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    RestoreDialog(QWidget* parent, const QList<backup::SnapshotInfo>& snapshots,
                  const text::LanguageTable& texts);
    // The row chosen, 0 for the newest.
    [[nodiscard]] int chosen() const;

    QTreeWidget* const lstSnapshots;
};

// The sensor page's restore (context menu and F7) and the trace saved on demand (F9): both
// work on the snapshots the keeper writes.
class RestoreAction : public QObject {
    Q_OBJECT
public:
    struct Parts {
        QWidget& window;
        sensor::SensorPage& page;
        session::Session& session;
        backup::SnapshotKeeper& keeper;
        const text::LanguageTable& texts;
        text::MessageService& messages;
    };

    explicit RestoreAction(Parts parts);

    // Offers the snapshots of the sensor shown, asks, writes the chosen one back, reads the
    // instrument again and says whether the block read back equals the snapshot.
    void Restore();
    // Warns of each block of the instrument last read that a restore cut off left half-written,
    // naming the snapshot that holds what it held before.
    void WarnOfHalfWritten();
    // Saves the serial trace beside the snapshots and names the file.
    void SaveTrace();

    QAction* const mObnovit;
    QAction* const saveTraceAction;

private:
    Parts parts_;
};

} // namespace app
