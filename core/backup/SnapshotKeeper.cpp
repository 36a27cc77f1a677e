#include "core/backup/SnapshotKeeper.h"

#include "core/backup/RestoreJournal.h"
#include "core/instrument/SerialTrace.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"

#include <QDir>

namespace backup {

namespace {

constexpr int SnapshotKeptText = 130;
constexpr int TraceSavedText = 131;
constexpr int DirectoryUnwritableText = 132;
constexpr int TraceNotSavedText = 133;

} // namespace

SnapshotKeeper::SnapshotKeeper(session::Session& session, SnapshotStore store,
                               device::SerialTrace& trace, TimeSource now)
    : session_(session), store_(std::move(store)), trace_(trace), now_(std::move(now)) {
    if (!now_)
        now_ = [] { return QDateTime::currentDateTimeUtc(); };
}

QString SnapshotKeeper::beforeWrite(int block) {
    lastSnapshot_.clear();
    // A new write of the block takes over from a restore cut off before (whose snapshot the
    // operator was told of at the connect); a restore records its own entry after this.
    if (block != Constants)
        RestoreJournal(store_.directory()).end(session_.identification(), block);
    const std::optional<Backup> held = backupOf(session_, now_());
    if (!held)
        return {};
    const int named = block == Constants ? session_.sensors().workingBlock() : block;
    const SensorBackup* sensor = held->sensor(named);
    const session::Session::Outlets& out = session_.outlets();
    const SnapshotWrite written = store_.write(
        *held, sensor != nullptr ? sensor->decoded.SensorId.text() : QString(), named, out.texts);
    if (written.written) {
        lastSnapshot_ = written.path;
        return lastSnapshot_;
    }
    if (unwritableReported_)
        return {};
    unwritableReported_ = true;
    out.messages.inform(out.texts.text(DirectoryUnwritableText)
                            .arg(QDir::toNativeSeparators(store_.directory()), written.error),
                        text::MsgIcon::Exclamation);
    return {};
}

QString SnapshotKeeper::saveTrace() {
    (void)QDir().mkpath(store_.directory());
    const QString path = store_.newTracePath(now_());
    const session::Session::Outlets& out = session_.outlets();
    QString error;
    if (trace_.save(path, &error)) {
        store_.pruneTraces(path);
        return out.texts.text(TraceSavedText).arg(QDir::toNativeSeparators(path));
    }
    return out.texts.text(TraceNotSavedText).arg(QDir::toNativeSeparators(path), error);
}

QString SnapshotKeeper::failed(bool writing) {
    QString note;
    if (writing && !lastSnapshot_.isEmpty())
        note = session_.outlets()
                   .texts.text(SnapshotKeptText)
                   .arg(QDir::toNativeSeparators(lastSnapshot_)) +
               u'\n';
    return note + saveTrace();
}

} // namespace backup
