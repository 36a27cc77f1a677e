#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace cli {

enum class Command { Ports, Identify, Read, Backup, Restore, Verify, History, Show, Export, Db };

// What db does with the records store.
enum class DbAction { Init, Upgrade, Status, Sync };

// What export writes.
enum class ExportFormat { Csv, Json, Dcc };

// What the command line asks for, checked.
struct Request {
    Command command = Command::Ports;
    int portNumber = 0;       // 1..49 for COMn; 0 when devicePath names the port
    QString devicePath;       // --port given as a device path
    QString port;             // --port as given
    bool json = false;        // one JSON object on stdout
    QString logFile;          // the serial trace goes here
    QString outputFile;       // backup -o
    QString backupFile;       // restore, verify
    std::optional<int> block; // restore --sensor: sensor::ExternalBlock or InternalBlock
    bool dryRun = false;
    bool force = false;      // restore: in spite of the identity refusals
    bool noSnapshot = false; // restore: also when no snapshot can be kept
    QString recordsFile;     // --records: the records store; empty: the window's
    QString database;        // --database: the records store on a PostgreSQL server instead
    DbAction dbAction = DbAction::Status;
    QString appRole;   // db init --app-role
    QString sensorId;  // history --sensor: one sensor's; empty: every sensor's
    QString recordKey; // show, export: certificate number or UUID
    ExportFormat format = ExportFormat::Csv;

    [[nodiscard]] bool readsRecords() const;

    [[nodiscard]] bool needsInstrument() const;
};

// The result of parsing: a request, or the text to print and how to end.
struct Parsed {
    std::optional<Request> request;
    QString text;         // help or version for stdout, or the usage error for stderr
    bool isError = false; // exit with ExitCode::Usage
};

// Reads the arguments as QCoreApplication::arguments() gives them, the program name first.
// Never exits the process.
[[nodiscard]] Parsed parseCommandLine(const QStringList& arguments);

// The command's name as it is typed.
[[nodiscard]] QString commandName(Command command);

} // namespace cli
