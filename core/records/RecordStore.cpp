#include "core/records/RecordStore.h"

#include "core/records/RecordJson.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlError>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>
#include <QUuid>

namespace records {

namespace {

constexpr int LockedText = 400;
constexpr int ReadOnlyText = 401;
constexpr int DamagedText = 402;
constexpr int NewerSchemaText = 403;
constexpr int CannotOpenText = 404;
constexpr int FallbackText = 405;
constexpr int PendingText = 410;
constexpr int WriteFailedText = 411;
constexpr int UnreachableText = 452;

// How often a transaction another writer got in the way of is run in all.
constexpr int TransactionAttempts = 6;

constexpr char PendingSuffix[] = ".json";

QString newUuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

} // namespace

RecordStore::RecordStore(StoreOptions options, text::LanguageTable texts)
    : database_(options.database.trimmed()),
      path_(!database_.isEmpty()     ? database_
            : options.path.isEmpty() ? defaultPath()
                                     : std::move(options.path)),
      busyTimeout_(options.busyTimeout), upgrade_(options.upgrade),
      dialect_(options.dialect != nullptr ? *options.dialect
               : database_.isEmpty()      ? sqliteDialect()
                                          : postgresDialect()),
      texts_(std::move(texts)), connection_(QStringLiteral("records-") + newUuid()),
      givesNumbers_(options.givesNumbers) {
    open();
    if (status_.usable() && upgrade_)
        (void)takeInPending();
}

RecordStore::~RecordStore() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

QString RecordStore::defaultPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("records.sqlite"));
}

void RecordStore::fail(StoreState state, const QString& detail) {
    const int number = state == StoreState::Locked        ? LockedText
                       : state == StoreState::ReadOnly    ? ReadOnlyText
                       : state == StoreState::Damaged     ? DamagedText
                       : state == StoreState::NewerSchema ? NewerSchemaText
                       : state == StoreState::Unreachable ? UnreachableText
                                                          : CannotOpenText;
    status_.state = state;
    status_.detail = detail;
    status_.message = texts_.text(number).arg(QDir::toNativeSeparators(path_), detail);
    if (!onServer())
        status_.message +=
            u' ' + texts_.text(FallbackText).arg(QDir::toNativeSeparators(pendingDirectory()));
}

bool RecordStore::openServer() {
    const ParsedAddress parsed = parseServerAddress(database_);
    if (!parsed.address) {
        // Named without what may be a password.
        static const QRegularExpression inUrl(QStringLiteral(":[^@/]*@"));
        static const QRegularExpression inPairs(QStringLiteral("password\\s*=\\s*('[^']*'|\\S*)"));
        path_ = QString(database_)
                    .replace(inUrl, QStringLiteral(":***@"))
                    .replace(inPairs, QStringLiteral("password=***"));
        fail(StoreState::CannotOpen, parsed.error);
        return false;
    }
    const ServerAddress& address = *parsed.address;
    path_ = address.display();
    db_.setHostName(address.host);
    db_.setPort(address.port);
    db_.setDatabaseName(address.database);
    db_.setUserName(address.user);
    db_.setConnectOptions(address.connectOptions(QSysInfo::machineHostName()));
    if (db_.open())
        return true;
    const StoreState state = dialect_.stateOf(db_.lastError());
    fail(state == StoreState::Ready ? StoreState::CannotOpen : state, db_.lastError().text());
    return false;
}

void RecordStore::open() {
    db_.close();
    status_ = {StoreState::Ready, {}};
    if (!db_.isValid())
        db_ = QSqlDatabase::addDatabase(dialect_.driver(), connection_);
    if (!db_.isValid())
        return fail(StoreState::CannotOpen, db_.lastError().text());
    if (onServer()) {
        if (!openServer())
            return;
    } else {
        const QFileInfo file(path_);
        if (!QDir().mkpath(file.absolutePath()))
            return fail(StoreState::CannotOpen, file.absolutePath());
        if (file.exists() && !file.isWritable())
            return fail(StoreState::ReadOnly, {});
        db_.setDatabaseName(path_);
        if (!db_.open())
            return fail(StoreState::CannotOpen, db_.lastError().text());
    }
    const auto trouble = [this](const QSqlError& error) {
        const StoreState state = dialect_.stateOf(error);
        fail(state == StoreState::Ready ? StoreState::CannotOpen : state, error.text());
    };
    for (const QString& statement : dialect_.connectionSetup(busyTimeout_)) {
        QSqlQuery query(db_);
        if (!query.exec(statement))
            return trouble(query.lastError());
    }
    QSqlQuery check = prepared(Sql::IntegrityCheck);
    if (!exec(check))
        return trouble(check.lastError());
    QStringList findings;
    while (check.next())
        findings << check.value(0).toString();
    if (findings != QStringList{QStringLiteral("ok")})
        return fail(StoreState::Damaged, findings.join(u"; "));
    if (!migrate() && status_.usable())
        fail(StoreState::CannotOpen, lastError_);
}

bool RecordStore::migrate() {
    QSqlQuery hasTable = prepared(Sql::SchemaTableExists);
    const std::optional<qint64> present = number(hasTable);
    if (!present)
        return false;
    schemaVersion_ = 0;
    if (*present > 0) {
        QSqlQuery version = prepared(Sql::SchemaVersion);
        const std::optional<qint64> current = number(version);
        if (!current)
            return false;
        schemaVersion_ = static_cast<int>(*current);
    }
    const int known = static_cast<int>(dialect_.migrations().size());
    if (schemaVersion_ > known) {
        fail(StoreState::NewerSchema, QStringLiteral("%1 > %2").arg(schemaVersion_).arg(known));
        return false;
    }
    for (const Migration& migration : dialect_.migrations()) {
        if (migration.version <= schemaVersion_ || !upgrade_)
            continue;
        const bool done = transaction([&] {
            for (const QString& step : migration.steps) {
                QSqlQuery query(db_);
                if (!query.exec(step)) {
                    lastSqlError_ = query.lastError();
                    lastError_ = lastSqlError_.text();
                    return false;
                }
            }
            QSqlQuery insert = prepared(Sql::InsertSchemaVersion);
            insert.bindValue(QStringLiteral(":version"), migration.version);
            insert.bindValue(QStringLiteral(":at"), isoTime(QDateTime::currentDateTimeUtc()));
            return exec(insert);
        });
        if (!done)
            return false;
        schemaVersion_ = migration.version;
    }
    return true;
}

const StoreStatus& RecordStore::reopen() {
    if (!status_.usable())
        open();
    if (status_.usable())
        (void)takeInPending();
    return status_;
}

QSqlQuery RecordStore::prepared(Sql statement) const {
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.prepare(dialect_.sql(statement)))
        lastError_ = query.lastError().text();
    return query;
}

bool RecordStore::exec(QSqlQuery& query) const {
    // An empty text is a value: a null QString would be bound as NULL. NULL is an invalid
    // QVariant.
    const QVariantList values = query.boundValues();
    for (qsizetype i = 0; i < values.size(); ++i)
        if (values[i].typeId() == QMetaType::QString && values[i].toString().isNull())
            query.bindValue(static_cast<int>(i), QStringLiteral(""));
    if (query.exec())
        return true;
    lastSqlError_ = query.lastError();
    lastError_ = lastSqlError_.text();
    return false;
}

bool RecordStore::run(Sql statement) {
    QSqlQuery query(db_);
    if (query.exec(dialect_.sql(statement)))
        return true;
    lastSqlError_ = query.lastError();
    lastError_ = lastSqlError_.text();
    return false;
}

std::optional<qint64> RecordStore::number(QSqlQuery& query) const {
    if (!exec(query) || !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

bool RecordStore::transaction(const std::function<bool()>& work) {
    if (batchDepth_ > 0) {
        const bool done = work();
        batchFailed_ = batchFailed_ || !done;
        return done;
    }
    QSqlError error;
    for (int attempt = 1;; ++attempt) {
        const bool begun = run(Sql::Begin);
        if (begun && work() && run(Sql::Commit))
            return true;
        error = lastSqlError_;
        if (begun)
            (void)run(Sql::Rollback);
        if (attempt == TransactionAttempts || !dialect_.retryable(error))
            break;
        // Apart a little, so that the writers that met do not meet again.
        QThread::msleep(QRandomGenerator::global()->bounded(2U, 10U) * attempt);
    }
    lastSqlError_ = error;
    lastError_ = error.text();
    if (const StoreState state = dialect_.stateOf(error); state != StoreState::Ready)
        fail(state, lastError_);
    return false;
}

RecordStore::Batch::Batch(RecordStore& store) : store_(store) {
    if (store_.batchDepth_++ == 0 && store_.status_.usable()) {
        store_.batchFailed_ = !store_.run(Sql::Begin);
        begun_ = !store_.batchFailed_;
    }
}

RecordStore::Batch::~Batch() {
    if (--store_.batchDepth_ > 0 || !begun_)
        return;
    if (store_.batchFailed_ || !store_.run(Sql::Commit))
        (void)store_.run(Sql::Rollback);
    store_.batchFailed_ = false;
}

WriteResult RecordStore::failure(const QString& detail) const {
    return {WriteOutcome::Failed, {}, {}, texts_.text(WriteFailedText).arg(detail)};
}

// One file per record, named so that the oldest sorts first, written whole or not at all.
WriteResult RecordStore::pending(const QString& kind, const QString& uuid,
                                 const QJsonObject& document) const {
    const QDir directory(pendingDirectory());
    if (!directory.mkpath(QStringLiteral(".")))
        return failure(directory.path());
    const QString name =
        QStringLiteral("%1-%2-%3%4")
            .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmsszzz")),
                 kind, uuid, QLatin1String(PendingSuffix));
    QSaveFile file(directory.filePath(name));
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{"kind", kind}, {"record", document}}).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return failure(file.errorString());
    return {WriteOutcome::Pending,
            uuid,
            {},
            texts_.text(PendingText).arg(QDir::toNativeSeparators(file.fileName()))};
}

int RecordStore::pendingCount() const {
    if (onServer())
        return 0;
    return static_cast<int>(
        QDir(pendingDirectory())
            .entryList({QStringLiteral("*") + QLatin1String(PendingSuffix)}, QDir::Files)
            .size());
}

Intake RecordStore::takeInPending() {
    Intake intake;
    if (onServer())
        return intake;
    QDir directory(pendingDirectory());
    const QStringList files = directory.entryList(
        {QStringLiteral("*") + QLatin1String(PendingSuffix)}, QDir::Files, QDir::Name);
    // Snapshots first: a calibration names its snapshots.
    for (const QString& kind : {QStringLiteral("snapshot"), QStringLiteral("calibration")}) {
        for (const QString& name : files) {
            QFile file(directory.filePath(name));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QJsonObject document = QJsonDocument::fromJson(file.readAll()).object();
            file.close();
            if (document["kind"].toString() != kind)
                continue;
            const QJsonObject record = document["record"].toObject();
            bool taken = false;
            if (const auto snapshot = snapshotOfJson(record))
                taken = exists(Sql::SnapshotExists, snapshot->uuid) ||
                        transaction([&] { return insertSnapshot(*snapshot); });
            else if (auto calibration = calibrationOfJson(record))
                taken = exists(Sql::CalibrationExists, calibration->uuid) ||
                        transaction([&] { return insertCalibration(*calibration); });
            if (taken && QFile::remove(file.fileName()))
                ++intake.taken;
            else
                ++intake.failed;
        }
    }
    return intake;
}

WriteResult RecordStore::grantAccess(const QString& role) {
    return write({}, {}, {}, [&] {
        for (const QString& statement : dialect_.grantsTo(role)) {
            QSqlQuery query(db_);
            if (!query.exec(statement)) {
                lastSqlError_ = query.lastError();
                lastError_ = lastSqlError_.text();
                return false;
            }
        }
        return true;
    });
}

bool RecordStore::exists(Sql statement, const QString& uuid) const {
    QSqlQuery query = prepared(statement);
    query.bindValue(QStringLiteral(":uuid"), uuid);
    return number(query).value_or(0) > 0;
}

} // namespace records
