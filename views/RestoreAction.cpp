#include "views/RestoreAction.h"

#include "core/backup/Restore.h"
#include "core/backup/SnapshotKeeper.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"
#include "core/text/MessageService.h"
#include "views/Controls.h"
#include "views/SensorPage.h"

#include <QAction>
#include <QDialogButtonBox>
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

QString dateText(const QDateTime& taken) {
    return taken.toLocalTime().toString(QStringLiteral("d.M.yyyy HH:mm:ss"));
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

void RestoreAction::Restore() {
    session::Session& session = parts_.session;
    const text::LanguageTable& texts = parts_.texts;
    if (!parts_.page.isVisible() || session.runner().busy())
        return;
    const sensor::SensorRecord& shown = session.sensors().CurrentSensor;
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
    backup::RestoreResult result;
    if (!session.runner().run([&](const device::Link& link) {
            result =
                backup::restoreBlock(link, session, std::get<backup::Backup>(read), chosen.block);
        }))
        return;
    switch (result.outcome) {
    case backup::RestoreOutcome::Verified:
        parts_.messages.inform(texts.text(VerifiedText), text::MsgIcon::Information);
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
        parts_.messages.inform(texts.text(ReadFailedText), text::MsgIcon::Critical);
        break;
    case backup::RestoreOutcome::NoSuchBlock:
        parts_.messages.inform(texts.text(NoSnapshotsText).arg(shown.SensorId.trimmed()),
                               text::MsgIcon::Information);
        break;
    }
}

void RestoreAction::SaveTrace() {
    const QString note = parts_.keeper.saveTrace();
    parts_.messages.inform(note, text::MsgIcon::Information);
}

} // namespace app
