#include "views/backup/RestoreAction.h"

#include "core/backup/Restore.h"
#include "core/backup/RestoreJournal.h"
#include "core/backup/SnapshotKeeper.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/common/Controls.h"
#include "views/sensor/SensorPage.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace app {

namespace {

constexpr int MenuText = 140;
constexpr int TitleText = 141;
constexpr int DateText = 142;
constexpr int DescriptionText = 143;
constexpr int PointsText = 144;
constexpr int NoSnapshotsText = 145;
constexpr int ConfirmText = 146;
constexpr int VerifiedText = 147;
constexpr int DiffersText = 148;
constexpr int WriteFailedText = 149;
constexpr int ReadFailedText = 150;
constexpr int UnusableText = 151;
constexpr int OtherIdentificationText = 152;
constexpr int NoSensorText = 153;
constexpr int OtherSensorIdText = 154;
constexpr int OtherBlockText = 155;
constexpr int RestoreAnywayText = 156;
constexpr int NoSnapshotText = 157;
constexpr int NotVerifiedText = 158;
constexpr int UnchangedText = 159;
constexpr int NoSnapshotKeptText = 160;
constexpr int HalfWrittenText = 161;

QString dateText(const QDateTime& taken) {
    return taken.toLocalTime().toString(QStringLiteral("d.M.yyyy HH:mm:ss"));
}

QString refusalText(const backup::RestoreRefusal& refusal, const text::LanguageTable& texts) {
    switch (refusal.kind) {
    case backup::Refusal::OtherIdentification:
        return texts.text(OtherIdentificationText)
            .arg(refusal.backupHolds.trimmed(), refusal.instrumentHolds.trimmed());
    case backup::Refusal::NoSensor:
        return texts.text(NoSensorText).arg(backup::blockName(refusal.block).toUpper());
    case backup::Refusal::OtherSensorId:
        return texts.text(OtherSensorIdText)
            .arg(refusal.backupHolds.trimmed(), refusal.instrumentHolds.trimmed());
    case backup::Refusal::OtherBlock:
        return texts.text(OtherBlockText)
            .arg(refusal.backupHolds.toUpper(), refusal.instrumentHolds.toUpper());
    }
    return {};
}

} // namespace

RestoreDialog::RestoreDialog(QWidget* parent, const QList<backup::SnapshotInfo>& snapshots,
                             const text::LanguageTable& texts)
    : QDialog(parent), lstSnapshots(new QTreeWidget(this)) {
    setObjectName(QStringLiteral("RestoreDialog"));
    setWindowTitle(texts.text(TitleText));
    lstSnapshots->setObjectName(QStringLiteral("lstSnapshots"));
    lstSnapshots->setRootIsDecorated(false);
    lstSnapshots->setAllColumnsShowFocus(true);
    lstSnapshots->setHeaderLabels(
        {texts.text(DateText), texts.text(DescriptionText), texts.text(PointsText)});
    for (const backup::SnapshotInfo& snapshot : snapshots) {
        auto* row =
            new QTreeWidgetItem(lstSnapshots, {dateText(snapshot.taken), snapshot.description,
                                               QString::number(snapshot.pointCount)});
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    lstSnapshots->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    lstSnapshots->setCurrentItem(lstSnapshots->topLevelItem(0));
    for (int column = 0; column < 3; ++column) {
        lstSnapshots->resizeColumnToContents(column);
        lstSnapshots->setColumnWidth(column, lstSnapshots->columnWidth(column) +
                                                 2 * fontMetrics().averageCharWidth());
    }
    lstSnapshots->header()->setStretchLastSection(false);
    lstSnapshots->header()->setSectionResizeMode(1, QHeaderView::Stretch);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstSnapshots, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstSnapshots);
    layout->addWidget(buttons);
    resize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 18);
}

int RestoreDialog::chosen() const {
    return lstSnapshots->indexOfTopLevelItem(lstSnapshots->currentItem());
}

RestoreAction::RestoreAction(Parts parts)
    : QObject(&parts.window),
      mObnovit(ui::makeAction(parts.page, QStringLiteral("mObnovit"), QKeySequence(Qt::Key_F7))),
      saveTraceAction(ui::makeAction(parts.window, QStringLiteral("saveTraceAction"),
                                     QKeySequence(Qt::Key_F9))),
      parts_(parts) {
    mObnovit->setText(parts_.texts.text(MenuText));
    connect(mObnovit, &QAction::triggered, this, &RestoreAction::Restore);
    connect(saveTraceAction, &QAction::triggered, this, &RestoreAction::SaveTrace);
    // Ctrl with the right button on "Popis" is the expert gesture, not the menu.
    parts_.page.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&parts_.page, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if ((QGuiApplication::keyboardModifiers() & Qt::ControlModifier) != 0)
            return;
        QMenu menu(&parts_.page);
        menu.addAction(mObnovit);
        menu.exec(parts_.page.mapToGlobal(at));
    });
}

void RestoreAction::WarnOfHalfWritten() {
    const session::Session& session = parts_.session;
    const backup::RestoreJournal journal(parts_.keeper.store().directory());
    for (const int block : {sensor::ExternalBlock, sensor::InternalBlock}) {
        if (session.sensors().BlockImages[static_cast<std::size_t>(block)].isEmpty())
            continue;
        const std::optional<backup::JournalEntry> entry = journal.interrupted(session, block);
        if (!entry)
            continue;
        parts_.messages.inform(
            parts_.texts.text(HalfWrittenText)
                .arg(backup::blockName(block).toUpper(), dateText(entry->started),
                     entry->snapshot.isEmpty() ? parts_.texts.text(NoSnapshotKeptText)
                                               : QDir::toNativeSeparators(entry->snapshot)),
            text::MsgIcon::Exclamation);
    }
}

void RestoreAction::Restore() {
    session::Session& session = parts_.session;
    const text::LanguageTable& texts = parts_.texts;
    if (!parts_.page.isVisible() || session.runner().busy())
        return;
    WarnOfHalfWritten();
    const sensor::SensorRecord& shown = session.sensors().CurrentSensor;
    const QString sensorId = shown.SensorId.trimmed();
    const QList<backup::SnapshotInfo> snapshots =
        parts_.keeper.store().list(shown.SensorId.text(), texts);
    if (snapshots.isEmpty()) {
        parts_.messages.inform(texts.text(NoSnapshotsText).arg(shown.SensorId.trimmed()),
                               text::MsgIcon::Information);
        return;
    }
    RestoreDialog dialog(&parts_.window, snapshots, texts);
    if (dialog.exec() != QDialog::Accepted || dialog.chosen() < 0)
        return;
    const backup::SnapshotInfo& chosen = snapshots[dialog.chosen()];
    if (!parts_.messages.askYesNo(texts.text(ConfirmText)
                                      .arg(dateText(chosen.taken), chosen.description,
                                           QString::number(chosen.pointCount)),
                                  text::MsgIcon::Question))
        return;
    const backup::ReadResult read = backup::readBackupFile(chosen.path, texts);
    if (const auto* failure = std::get_if<backup::ReadFailure>(&read)) {
        parts_.messages.inform(texts.text(UnusableText).arg(failure->message),
                               text::MsgIcon::Critical);
        return;
    }
    // The refusals and the missing snapshot are questions, No being the default.
    backup::RestorePolicy policy;
    policy.target = session.sensors().workingBlock();
    policy.overrideRefusals = [this](const QList<backup::RestoreRefusal>& refusals) {
        QStringList lines;
        for (const backup::RestoreRefusal& refusal : refusals)
            lines.append(refusalText(refusal, parts_.texts));
        lines.append(parts_.texts.text(RestoreAnywayText));
        return parts_.messages.askYesNo(lines.join(QStringLiteral("\n\n")),
                                        text::MsgIcon::Exclamation);
    };
    policy.writeWithoutSnapshot = [this] {
        return parts_.messages.askYesNo(parts_.texts.text(NoSnapshotText),
                                        text::MsgIcon::Exclamation);
    };
    policy.journalDirectory = parts_.keeper.store().directory();
    backup::RestoreResult result;
    bool readOut = false;
    // The policy and the bytes to write go by what the instrument holds now: a save on the
    // sensor page leaves the session's last read-out behind.
    if (!session.runner().run([&](const device::Link& link) {
            readOut = session.readOut(link) == session::ReadOutResult::Read;
            if (readOut)
                result = backup::restoreBlock(link, session, std::get<backup::Backup>(read),
                                              chosen.block, policy);
        }) ||
        !readOut)
        return;
    switch (result.outcome) {
    case backup::RestoreOutcome::Verified:
        parts_.messages.inform(texts.text(VerifiedText), text::MsgIcon::Information);
        break;
    case backup::RestoreOutcome::Unchanged:
        parts_.messages.inform(texts.text(UnchangedText), text::MsgIcon::Information);
        break;
    case backup::RestoreOutcome::Differs: {
        const backup::BlockDifference& first = result.differences.front();
        parts_.messages.inform(texts.text(DiffersText)
                                   .arg(result.differences.size())
                                   .arg(backup::blockName(first.block).toUpper())
                                   .arg(first.offset)
                                   .arg(first.field),
                               text::MsgIcon::Critical);
        break;
    }
    case backup::RestoreOutcome::WriteFailed:
        parts_.messages.inform(
            session.withFailureNote(texts.text(WriteFailedText).arg(result.writeCode), true),
            text::MsgIcon::Critical);
        break;
    case backup::RestoreOutcome::ReadFailed:
        parts_.messages.inform(texts.text(NotVerifiedText)
                                   .arg(sensorId, result.snapshot.isEmpty()
                                                      ? texts.text(NoSnapshotKeptText)
                                                      : QDir::toNativeSeparators(result.snapshot)),
                               text::MsgIcon::Critical);
        break;
    case backup::RestoreOutcome::NoSuchBlock:
        parts_.messages.inform(texts.text(NoSnapshotsText).arg(shown.SensorId.trimmed()),
                               text::MsgIcon::Information);
        break;
    case backup::RestoreOutcome::Refused:
    case backup::RestoreOutcome::NoSnapshot:
        break; // the operator said No
    }
}

void RestoreAction::SaveTrace() {
    const QString note = parts_.keeper.saveTrace();
    parts_.messages.inform(note, text::MsgIcon::Information);
}

} // namespace app
