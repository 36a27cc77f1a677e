#include "cli/Commands.h"

#include "cli/CommandRecords.h"

#include "core/instrument/PortDevices.h"
#include "core/instrument/PortTrouble.h"

#include "core/instrument/Identify.h"
#include "core/instrument/QtSerialLine.h"
#include "core/instrument/SetupReadout.h"
#include "core/session/Session.h"
#include "core/text/LanguageTable.h"

#include <QFileInfo>
#include <QJsonArray>

namespace cli {

namespace {

QString valueText(const QJsonValue& value) {
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 7);
    if (value.isArray()) {
        QStringList items;
        for (const QJsonValue& item : value.toArray())
            items.append(valueText(item));
        return items.join(QStringLiteral(", "));
    }
    return value.toString();
}

// The read-out as `read` shows it, line by line.
void sayReadOut(const Report& report, const QJsonObject& whole) {
    const QJsonObject instrument = whole.value(QStringLiteral("instrument")).toObject();
    report.say(QStringLiteral("identification: ") +
               instrument.value(QStringLiteral("identification")).toString());
    report.say(QStringLiteral("display digits: ") +
               valueText(instrument.value(QStringLiteral("displayDigits"))));
    for (const QJsonValue& range : whole.value(QStringLiteral("systemConstants")).toArray()) {
        const QJsonObject constants = range.toObject();
        report.say(QStringLiteral("range %1: zero %2 k %3")
                       .arg(constants.value(QStringLiteral("range")).toString(),
                            valueText(constants.value(QStringLiteral("zero"))),
                            valueText(constants.value(QStringLiteral("k")))));
    }
    for (const QJsonValue& entry : whole.value(QStringLiteral("sensors")).toArray()) {
        const QJsonObject sensor = entry.toObject();
        report.say(
            QStringLiteral("sensor %1:").arg(sensor.value(QStringLiteral("block")).toString()));
        const QJsonObject fields = sensor.value(QStringLiteral("fields")).toObject();
        for (auto field = fields.begin(); field != fields.end(); ++field)
            report.say(QStringLiteral("  %1: %2").arg(field.key(), valueText(field.value())));
    }
}

// Why a file that the backup reader could not open cannot be opened, as far as the file system
// tells without opening it again (a FIFO would block).
QString openProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return info.isSymLink() ? QStringLiteral("the link leads nowhere")
                                : QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("it is a directory");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (!info.isReadable())
        return QStringLiteral("permission denied");
    return QStringLiteral("it cannot be read");
}

QString readErrorText(backup::ReadError error) {
    switch (error) {
    case backup::ReadError::NotJson:
        return QStringLiteral("not JSON");
    case backup::ReadError::NotBackup:
        return QStringLiteral("not a torancal-backup file");
    case backup::ReadError::OtherVersion:
        return QStringLiteral("another version of the backup format");
    case backup::ReadError::BadChecksum:
        return QStringLiteral("the checksum does not match");
    case backup::ReadError::BadBlock:
        return QStringLiteral("a sensor block is not 256 bytes of hexadecimal");
    case backup::ReadError::FieldsDisagree:
        return QStringLiteral("the decoded fields disagree with the raw block");
    case backup::ReadError::TooLarge:
        return QStringLiteral("larger than %1 bytes").arg(backup::MaxFileSize);
    default:
        return QStringLiteral("it does not read as a backup");
    }
}

} // namespace

bool Commands::lineLost(const device::Link& link) {
    return !link.line.isOpen() || !link.line.readAll().has_value();
}

Commands::Commands(const Request& request, Workbench bench, Report& report)
    : request_(request), bench_(bench), report_(report) {}

ExitCode Commands::run() {
    if (request_.command == Command::Db)
        return db();
    if (request_.readsRecords())
        return records();
    std::optional<backup::Backup> file;
    if (request_.command == Command::Restore || request_.command == Command::Verify) {
        ExitCode failure = ExitCode::Success;
        file = readFile(failure);
        if (!file)
            return failure;
        if (request_.command == Command::Restore && !request_.needsInstrument())
            return dryRun(*file);
    }
    if (request_.needsInstrument())
        report_.set(QStringLiteral("port"), request_.port);
    ExitCode code = ExitCode::Success;
    bool completed = false;
    const bool ran = bench_.session.runner().run([&](const device::Link& link) {
        switch (request_.command) {
        case Command::Ports:
            code = ports(link);
            break;
        case Command::Identify:
            code = identify(link);
            break;
        case Command::Read:
            code = read(link);
            break;
        case Command::Backup:
            code = backup(link);
            break;
        case Command::Restore:
            code = restore(link, *file);
            break;
        case Command::Verify:
            code = verify(link, *file);
            break;
        case Command::History:
        case Command::Show:
        case Command::Export:
        case Command::Db:
            break; // records() and db(), above
        }
        completed = true;
    });
    if (!completed && bench_.session.runner().lifecycle().endRequested()) {
        cutShort_ = true;
        return ExitCode::Success;
    }
    if (!ran)
        return report_.fail(ExitCode::NoAnswer, QStringLiteral("the line is not free"));
    return code;
}

std::optional<backup::Backup> Commands::readFile(ExitCode& failure) {
    const QString& path = request_.backupFile;
    report_.set(QStringLiteral("file"), path);
    backup::ReadResult read = backup::readBackupFile(path, bench_.session.outlets().texts);
    if (auto* file = std::get_if<backup::Backup>(&read))
        return std::move(*file);
    const backup::ReadError error = std::get<backup::ReadFailure>(read).error;
    if (error == backup::ReadError::NoFile || error == backup::ReadError::NotAFile) {
        failure = report_.fail(ExitCode::NoFile,
                               QStringLiteral("cannot open %1: %2").arg(path, openProblem(path)));
        return std::nullopt;
    }
    const QString& member = std::get<backup::ReadFailure>(read).member;
    failure = report_.fail(
        ExitCode::BadFile,
        QStringLiteral("bad file %1: %2")
            .arg(path, member.isEmpty()
                           ? readErrorText(error)
                           : QStringLiteral("not a torancal-backup file (member '%1' missing or "
                                            "of the wrong kind)")
                                 .arg(member)));
    return std::nullopt;
}

QString Commands::deviceName() const {
    return request_.portNumber > 0
               ? device::portDeviceName(request_.portNumber, bench_.portDirectory)
               : request_.devicePath;
}

QString Commands::portText() const {
    const QString device = deviceName();
    return device == request_.port ? device : QStringLiteral("%1 (%2)").arg(request_.port, device);
}

ExitCode Commands::connect(const device::Link& link) {
    const int number =
        request_.portNumber > 0 ? request_.portNumber : device::SerialLine::FirstPort;
    const session::ConnectOutcome outcome = bench_.session.openInstrument(link, number);
    const device::PortTrouble& trouble = outcome.trouble;
    switch (outcome.result) {
    case session::ConnectResult::Connected:
        return ExitCode::Success;
    case session::ConnectResult::NotToran:
        if (trouble.kind == device::PortTrouble::Kind::Vanished)
            return report_.fail(
                ExitCode::LineLost,
                QStringLiteral("%1 went away right after it was opened").arg(portText()));
        if (const QString holder = device::deviceHolder(deviceName(), {}); !holder.isEmpty())
            return report_.fail(ExitCode::NoAnswer,
                                QStringLiteral("no instrument answers on %1: %2 holds it open too "
                                               "and may take the replies")
                                    .arg(portText(), holder));
        return report_.fail(ExitCode::NoAnswer,
                            QStringLiteral("no instrument answers on %1").arg(portText()));
    case session::ConnectResult::PortNotOpened:
        break;
    }
    switch (trouble.kind) {
    case device::PortTrouble::Kind::PermissionDenied:
        return report_.fail(ExitCode::PermissionDenied,
                            trouble.group.isEmpty()
                                ? QStringLiteral("permission denied on %1").arg(portText())
                                : QStringLiteral("permission denied on %1: join its group with "
                                                 "'sudo usermod -aG %2 $USER' and log in again")
                                      .arg(portText(), trouble.group));
    case device::PortTrouble::Kind::NoSuchDevice:
        return report_.fail(ExitCode::NoAnswer, QStringLiteral("no such port %1").arg(portText()));
    case device::PortTrouble::Kind::InUse:
        return report_.fail(
            ExitCode::NoAnswer,
            trouble.holder.isEmpty()
                ? QStringLiteral("%1 is in use by another program").arg(portText())
                : QStringLiteral("%1 is in use by %2").arg(portText(), trouble.holder));
    default:
        return report_.fail(ExitCode::NoAnswer,
                            QStringLiteral("cannot open %1: %2")
                                .arg(portText(), trouble.reason.isEmpty()
                                                     ? QStringLiteral("the system refused it")
                                                     : trouble.reason));
    }
}

ExitCode Commands::readOut(const device::Link& link) {
    if (const ExitCode connected = connect(link); connected != ExitCode::Success)
        return connected;
    session::Session& session = bench_.session;
    const session::ReadOutResult result = session.readOut(link);
    const auto failed = [&](const QString& what) {
        if (result == session::ReadOutResult::PortFailed || lineLost(link))
            return report_.fail(ExitCode::LineLost,
                                QStringLiteral("line lost on %1 while %2").arg(portText(), what));
        return report_.fail(ExitCode::NoAnswer, QStringLiteral("the instrument on %1 stopped "
                                                               "answering while %2")
                                                    .arg(portText(), what));
    };
    if (result != session::ReadOutResult::Read)
        return failed(QStringLiteral("reading the setup"));
    for (const int block : {sensor::ExternalBlock, sensor::InternalBlock}) {
        if ((session.sensors().SensorMask & (1U << block)) != 0 &&
            session.sensors().BlockImages[static_cast<std::size_t>(block)].isEmpty())
            return failed(QStringLiteral("reading sensor block %1").arg(backup::blockName(block)));
    }
    return ExitCode::Success;
}

ExitCode Commands::ports(const device::Link& link) {
    QJsonArray list;
    device::SerialLine& line = link.line;
    for (int number = device::SerialLine::FirstPort; number <= device::SerialLine::LastPort;
         ++number) {
        if (!line.setPortNumber(number))
            continue;
        const device::OpenResult opened = line.open();
        if (opened == device::OpenResult::NoSuchPort)
            continue;
        bool answers = false;
        QString state;
        switch (opened) {
        case device::OpenResult::Opened:
            answers = device::IdentifyRequest(link);
            line.close();
            state = answers ? QStringLiteral("instrument") : QStringLiteral("no answer");
            break;
        case device::OpenResult::InUse:
            state = QStringLiteral("in use");
            break;
        case device::OpenResult::PermissionDenied:
            state = QStringLiteral("permission denied");
            break;
        default:
            state = QStringLiteral("cannot open");
            break;
        }
        const QString name = device::portDeviceName(number, bench_.portDirectory);
        const QFileInfo info(name);
        const QString target = info.isSymLink() ? info.canonicalFilePath() : name;
        const QString port = QStringLiteral("COM%1").arg(number);
        report_.say(
            QStringLiteral("%1  %2  %3")
                .arg(port, target == name ? name : name + QStringLiteral(" -> ") + target, state));
        list.append(QJsonObject{{QStringLiteral("port"), port},
                                {QStringLiteral("device"), name},
                                {QStringLiteral("target"), target},
                                {QStringLiteral("state"), state},
                                {QStringLiteral("instrument"), answers}});
    }
    if (list.isEmpty())
        report_.say(QStringLiteral("no ports present"));
    report_.set(QStringLiteral("ports"), list);
    return ExitCode::Success;
}

ExitCode Commands::identify(const device::Link& link) {
    if (const ExitCode connected = connect(link); connected != ExitCode::Success)
        return connected;
    const session::Session::Outlets& out = bench_.session.outlets();
    device::InstrumentSetup setup;
    if (device::ReadTORAN(link, out.status, out.messages, out.texts, setup) < 0) {
        if (lineLost(link))
            return report_.fail(
                ExitCode::LineLost,
                QStringLiteral("line lost on %1 while identifying").arg(portText()));
        return report_.fail(ExitCode::NoAnswer,
                            QStringLiteral("the instrument on %1 stopped answering while "
                                           "identifying")
                                .arg(portText()));
    }
    report_.say(QStringLiteral("identification: ") + setup.Identification);
    report_.say(QStringLiteral("display digits: %1").arg(setup.DisplayDigits));
    report_.set(QStringLiteral("identification"), setup.Identification);
    report_.set(QStringLiteral("displayDigits"), setup.DisplayDigits);
    return ExitCode::Success;
}

ExitCode Commands::read(const device::Link& link) {
    if (const ExitCode read = readOut(link); read != ExitCode::Success)
        return read;
    const QJsonObject whole =
        backup::toJson(*backup::backupOf(bench_.session, QDateTime::currentDateTimeUtc()));
    for (const QString& key : {QStringLiteral("instrument"), QStringLiteral("systemConstants"),
                               QStringLiteral("sensors")})
        report_.set(key, whole.value(key));
    sayReadOut(report_, whole);
    return ExitCode::Success;
}

ExitCode Commands::backup(const device::Link& link) {
    if (const ExitCode read = readOut(link); read != ExitCode::Success)
        return read;
    const backup::Backup taken = *backup::backupOf(bench_.session, QDateTime::currentDateTimeUtc());
    const QString& path = request_.outputFile;
    report_.set(QStringLiteral("file"), path);
    QString error;
    if (!backup::writeBackupFile(taken, path, &error))
        return report_.fail(ExitCode::PermissionDenied,
                            QStringLiteral("cannot write %1: %2").arg(path, error));
    QStringList blocks;
    QJsonArray sensors;
    for (const backup::SensorBackup& sensor : taken.sensors) {
        blocks.append(backup::blockName(sensor.block));
        sensors.append(blocks.constLast());
    }
    report_.set(QStringLiteral("sensors"), sensors);
    report_.set(QStringLiteral("identification"), taken.identification);
    report_.say(QStringLiteral("backup %1: %2, sensors %3")
                    .arg(path, taken.identification,
                         blocks.isEmpty() ? QStringLiteral("none") : blocks.join(u' ')));
    // On record per sensor; a backup of the setup alone as one entry without a sensor.
    CommandRecords kept(request_, report_);
    for (const backup::SensorBackup& sensor :
         taken.sensors.empty() ? std::vector<backup::SensorBackup>(1) : taken.sensors)
        kept.entry(records::RecordKind::Backup, sensor, taken.identification, path,
                   QStringLiteral("written"),
                   kept.snapshot(records::SnapshotReason::ReadOut, sensor.block, taken), {},
                   taken.taken);
    return ExitCode::Success;
}

} // namespace cli
