#include "cli/CommandLine.h"

#include "core/backup/Backup.h"
#include "core/instrument/SerialLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <array>
#include <tuple>
#include <utility>

namespace cli {

namespace {

constexpr std::array<std::pair<Command, const char*>, 10> CommandNames{{
    {Command::Ports, "ports"},
    {Command::Identify, "identify"},
    {Command::Read, "read"},
    {Command::Backup, "backup"},
    {Command::Restore, "restore"},
    {Command::Verify, "verify"},
    {Command::History, "history"},
    {Command::Show, "show"},
    {Command::Export, "export"},
    {Command::Db, "db"},
}};

const char Description[] =
    "Reads, backs up, restores and verifies a Toran R-40 over its serial line, for production\n"
    "scripts. Diagnostics go to stderr; it never asks a question.\n"
    "\n"
    "Commands:\n"
    "  ports                  COM1..COM49: the device behind each present port and whether\n"
    "                         the instrument answers there\n"
    "  identify               the instrument's identification and display digits\n"
    "  read                   setup, system constants and both sensors, decoded\n"
    "  backup -o FILE         everything 'read' shows, into a backup file\n"
    "  restore FILE           writes the bytes of the file's sensor blocks that differ from\n"
    "                         the instrument, resets it, reads the whole block back and\n"
    "                         compares; keeps a snapshot of what the instrument held first\n"
    "                         (no snapshot, no write, unless --no-snapshot). Refuses a file\n"
    "                         from another identification, sensor id or block unless --force.\n"
    "                         Warns of a block a cut-off restore left half-written, naming\n"
    "                         the snapshot that undoes it; restoring again repairs it\n"
    "  verify FILE            compares the instrument's sensor blocks with the file (and\n"
    "                         warns of a half-written block, as restore does)\n"
    "  history [--sensor ID]  the calibrations on record (every sensor's, or one's), newest\n"
    "                         first: date, certificate, sensor id, operator, reference\n"
    "                         standard, as-found and as-left verdicts, due date, and whether\n"
    "                         it was corrected or withdrawn\n"
    "  show CERT|UUID         one record whole: points, checks, figures, corrections\n"
    "  export CERT|UUID --format csv|json|dcc -o FILE\n"
    "                         csv: the certificate's header (number, sensor, operator,\n"
    "                         standard, conditions, verdicts, due date), then the points and\n"
    "                         checks, ';' between fields and '.' as the decimal point; json:\n"
    "                         the record as 'show --json' gives it; dcc: the Digital\n"
    "                         Calibration Certificate (XML, DCC 3.3.0). The PDF certificate\n"
    "                         is printed from the window's history (F3, the PDF button). The\n"
    "                         file is written whole or not at all\n"
    "  db init|upgrade|status|sync\n"
    "                         the records store: init (with --database) makes the schema on\n"
    "                         the server as its owner and, with --app-role NAME, lets that\n"
    "                         role read and append to the records, never change them;\n"
    "                         upgrade brings an older schema up to this program's; status\n"
    "                         says which database, its schema version and how many records\n"
    "                         wait in the pending queue; sync (with --database, and --records\n"
    "                         for a file other than the window's) uploads the records this\n"
    "                         bench made while the server was away, each once\n"
    "\n"
    "history, show and export read the records store (--records FILE, default the window's\n"
    "records.sqlite in the application data directory) and need no --port. backup and restore\n"
    "are recorded there: the snapshots and an entry of their kind per sensor block, with the\n"
    "file's SHA-256 and the outcome (not with --dry-run). A store that cannot be used keeps\n"
    "them aside in records.sqlite.pending/, with a warning; the command goes on as usual.\n"
    "With --database URL they use the records store on a PostgreSQL server instead\n"
    "(postgresql://user@host:port/dbname?sslmode=require, or host=... port=... dbname=...\n"
    "user=... sslmode=...; the password comes from ~/.pgpass or PGPASSWORD, never from the\n"
    "address). While the server cannot be reached, backups and restores are kept in the\n"
    "file store (--records, default the window's) and wait there for db sync.\n"
    "\n"
    "SIGINT, SIGTERM and SIGHUP stop the command at its next wait, with its trace (--log) and\n"
    "its report (--json) written. A block write in progress is finished first (a block is never\n"
    "left half written), and the program then exits 75: the instrument was changed and not\n"
    "read back. When no write had begun it exits 128 + the signal's number (130 SIGINT,\n"
    "143 SIGTERM, 129 SIGHUP). A port is locked by its device, whatever link names it.\n"
    "\n"
    "Exit codes:\n"
    "   0  success (a restore: every block verified, or already equal)\n"
    "   1  verify found a difference; a restore wrote, read back and found a difference\n"
    "  64  usage: the command line is wrong\n"
    "  65  bad file: the backup does not read, or the restore was refused (also --dry-run)\n"
    "  66  no file: the backup file cannot be opened; no records store at the path;\n"
    "      no record of that certificate number or UUID\n"
    "  69  no answer: no such port, the port is in use, or no instrument answers;\n"
    "      nothing was written. Also: the records store cannot be used (locked by\n"
    "      another program, damaged, written by a newer ToranCal), or its database\n"
    "      server cannot be reached\n"
    "  70  internal error (e.g. out of memory); if a write had begun, verify the instrument\n"
    "  74  line lost in the middle of an exchange; nothing was written\n"
    "  75  not verified: the instrument was changed (a write cut off part way, or a block\n"
    "      written but not read back); restore again, or restore the snapshot named\n"
    "  77  permission denied: the port, or a file it must write (backup, export, snapshot,\n"
    "      trace), or the grants of db init;\n"
    "      nothing was written";

std::optional<Command> commandOf(const QString& name) {
    for (const auto& [command, text] : CommandNames) {
        if (name == QLatin1String(text))
            return command;
    }
    return std::nullopt;
}

Parsed usageError(const QString& message) {
    return {std::nullopt, message + QStringLiteral(" (try --help)"), true};
}

// COMn with n in 1..49 is a port number; anything else is a device path.
bool takePort(const QString& value, Request& request) {
    static const QRegularExpression comPort(QStringLiteral("^COM(\\d+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    request.port = value;
    const QRegularExpressionMatch match = comPort.match(value);
    if (!match.hasMatch()) {
        request.devicePath = value;
        return !value.isEmpty();
    }
    const int number = match.captured(1).toInt();
    request.portNumber = number;
    return number >= device::SerialLine::FirstPort && number <= device::SerialLine::LastPort;
}

} // namespace

bool Request::readsRecords() const {
    return command == Command::History || command == Command::Show || command == Command::Export;
}

bool Request::needsInstrument() const {
    const bool portGiven = portNumber > 0 || !devicePath.isEmpty();
    return command != Command::Ports && command != Command::Db && !readsRecords() &&
           !(command == Command::Restore && dryRun && !portGiven);
}

QString commandName(Command command) {
    for (const auto& [each, text] : CommandNames) {
        if (each == command)
            return QLatin1String(text);
    }
    return {};
}

Parsed parseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(Description));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Shows the version."));
    const QCommandLineOption port(
        QStringLiteral("port"), QStringLiteral("COM1..COM49 or a device path (e.g. /dev/ttyUSB0)."),
        QStringLiteral("PORT"));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Prints one JSON object on stdout, whatever the "
                                                 "outcome."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Writes the serial trace to FILE."),
                                 QStringLiteral("FILE"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("backup, export: the file to write."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption sensor(
        QStringLiteral("sensor"),
        QStringLiteral("restore: only this sensor, ext or int. history: only this sensor id."),
        QStringLiteral("ext|int|ID"));
    const QCommandLineOption records(
        QStringLiteral("records"),
        QStringLiteral("history, show, export, backup, restore: the records store (default: "
                       "the window's)."),
        QStringLiteral("FILE"));
    const QCommandLineOption database(
        QStringLiteral("database"),
        QStringLiteral("history, show, export, backup, restore, db: the records store on a "
                       "PostgreSQL server instead of the file."),
        QStringLiteral("URL"));
    const QCommandLineOption appRole(
        QStringLiteral("app-role"),
        QStringLiteral("db init: the database role the benches use, to read and append."),
        QStringLiteral("NAME"));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("export: csv, json or dcc."),
                                    QStringLiteral("FORMAT"));
    const QCommandLineOption dryRun(
        QStringLiteral("dry-run"),
        QStringLiteral("restore: writes nothing. With --port reads the instrument, applies every "
                       "refusal and says how many bytes would be written (exits as the real run "
                       "would, 65 on a refusal); without, checks the file only."));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("restore: writes in spite of another identification, sensor id or block."));
    const QCommandLineOption noSnapshot(
        QStringLiteral("no-snapshot"),
        QStringLiteral("restore: goes on when the snapshot of what the instrument held cannot be "
                       "written."));
    parser.addOptions({help, version, port, json, log, output, sensor, dryRun, force, noSnapshot,
                       records, database, appRole, format});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("ports, identify, read, backup, restore, verify, "
                                                "history, show, export or db."));
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("restore, verify: the backup file. show, export: "
                                                "the certificate number or UUID. db: init, "
                                                "upgrade or status."),
                                 QStringLiteral("[FILE|CERT|UUID|ACTION]"));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return {std::nullopt, parser.helpText(), false};
    if (parser.isSet(version))
        return {std::nullopt,
                QStringLiteral("torancal-cli %1").arg(QCoreApplication::applicationVersion()),
                false};

    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const std::optional<Command> command = commandOf(words[0]);
    if (!command)
        return usageError(QStringLiteral("unknown command '%1'").arg(words[0]));
    Request request;
    request.command = *command;
    const bool takesFile = *command == Command::Restore || *command == Command::Verify;
    const bool takesKey = *command == Command::Show || *command == Command::Export;
    if (takesFile && words.size() != 2)
        return usageError(QStringLiteral("%1 needs one backup FILE").arg(words[0]));
    if (takesKey && words.size() != 2)
        return usageError(QStringLiteral("%1 needs one certificate number or UUID").arg(words[0]));
    if (*command == Command::Db) {
        if (words.size() != 2)
            return usageError(QStringLiteral("db needs one of init, upgrade, status or sync"));
        if (words[1] == u"init")
            request.dbAction = DbAction::Init;
        else if (words[1] == u"upgrade")
            request.dbAction = DbAction::Upgrade;
        else if (words[1] == u"status")
            request.dbAction = DbAction::Status;
        else if (words[1] == u"sync")
            request.dbAction = DbAction::Sync;
        else
            return usageError(
                QStringLiteral("db takes init, upgrade, status or sync, not '%1'").arg(words[1]));
    } else if (!takesFile && !takesKey && words.size() != 1)
        return usageError(
            QStringLiteral("%1 takes no FILE; unexpected '%2'").arg(words[0], words[1]));
    if (takesFile)
        request.backupFile = words[1];
    if (takesKey)
        request.recordKey = words[1];

    for (const auto& [option, owner, other] :
         {std::tuple{&output, Command::Backup, Command::Export},
          std::tuple{&sensor, Command::Restore, Command::History},
          std::tuple{&dryRun, Command::Restore, Command::Restore},
          std::tuple{&force, Command::Restore, Command::Restore},
          std::tuple{&noSnapshot, Command::Restore, Command::Restore},
          std::tuple{&format, Command::Export, Command::Export}}) {
        if (parser.isSet(*option) && *command != owner && *command != other)
            return usageError(
                QStringLiteral("--%1 belongs to %2, not %3")
                    .arg(option->names().constLast(),
                         owner == other
                             ? commandName(owner)
                             : commandName(owner) + QStringLiteral(" and ") + commandName(other),
                         words[0]));
    }
    for (const QCommandLineOption* option : {&records, &database})
        if (parser.isSet(*option) && !request.readsRecords() && *command != Command::Backup &&
            *command != Command::Restore && *command != Command::Db)
            return usageError(QStringLiteral("--%1 belongs to history, show, export, backup, "
                                             "restore and db, not %2")
                                  .arg(option->names().constFirst(), words[0]));
    // Beside a server, --records names the bench's file where backups and restores wait while
    // the server is away, and that db sync uploads from.
    if (parser.isSet(records) && parser.isSet(database) && *command != Command::Backup &&
        *command != Command::Restore &&
        !(*command == Command::Db && request.dbAction == DbAction::Sync))
        return usageError(QStringLiteral("--records and --database name two stores; give one"));
    request.recordsFile = parser.value(records);
    request.database = parser.value(database);
    if (parser.isSet(database) && request.database.trimmed().isEmpty())
        return usageError(QStringLiteral("--database needs a URL"));
    if (parser.isSet(appRole) && (*command != Command::Db || request.dbAction != DbAction::Init))
        return usageError(
            QStringLiteral("--app-role belongs to db init, not %1").arg(words.join(u' ')));
    request.appRole = parser.value(appRole).trimmed();
    if (parser.isSet(appRole) && request.appRole.isEmpty())
        return usageError(QStringLiteral("--app-role needs a NAME"));
    if (*command == Command::Db && request.dbAction == DbAction::Sync && request.database.isEmpty())
        return usageError(QStringLiteral("db sync needs --database URL, the server to upload to"));
    if (*command == Command::Db && request.dbAction == DbAction::Init && request.database.isEmpty())
        return usageError(QStringLiteral("db init needs --database URL (a file store is made "
                                         "when it is first used)"));
    if (*command == Command::Export) {
        const QString name = parser.value(format);
        if (name == u"csv")
            request.format = ExportFormat::Csv;
        else if (name == u"json")
            request.format = ExportFormat::Json;
        else if (name == u"dcc")
            request.format = ExportFormat::Dcc;
        else if (name == u"pdf")
            return usageError(QStringLiteral(
                "export writes no PDF: the command line has no printing. For the PDF "
                "certificate open the calibration history in the window (F3), select the "
                "calibration and press its PDF button; the window prints it from the same "
                "record"));
        else
            return usageError(name.isEmpty() ? QStringLiteral("export needs --format csv|json|dcc")
                                             : QStringLiteral("--format takes csv, json or dcc, "
                                                              "not '%1'")
                                                   .arg(name));
        if (parser.value(output).isEmpty())
            return usageError(QStringLiteral("export needs -o FILE"));
    }
    request.json = parser.isSet(json);
    request.logFile = parser.value(log);
    request.outputFile = parser.value(output);
    request.dryRun = parser.isSet(dryRun);
    request.force = parser.isSet(force);
    request.noSnapshot = parser.isSet(noSnapshot);
    if (*command == Command::Backup && request.outputFile.isEmpty())
        return usageError(QStringLiteral("backup needs -o FILE"));
    if (parser.isSet(sensor) && *command == Command::History) {
        request.sensorId = parser.value(sensor).trimmed();
    } else if (parser.isSet(sensor)) {
        const int block = backup::blockOfName(parser.value(sensor));
        if (block < 0)
            return usageError(
                QStringLiteral("--sensor takes ext or int, not '%1'").arg(parser.value(sensor)));
        request.block = block;
    }
    if (parser.isSet(port) && !takePort(parser.value(port), request))
        return usageError(QStringLiteral("--port takes COM1..COM49 or a device path, not '%1'")
                              .arg(parser.value(port)));
    if (request.needsInstrument() && !parser.isSet(port))
        return usageError(QStringLiteral("%1 needs --port").arg(words[0]));
    return {request, {}, false};
}

} // namespace cli
