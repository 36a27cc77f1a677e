// The store on a PostgreSQL server. The schema and the statements are SQLite's, carried over
// mechanically: the types map one to one (BLOB is bytea), SQLite's append-only triggers become
// PostgreSQL triggers, and every table of records gets the server's stamp (who, when, from
// where) from a trigger that overrides whatever the client sends. Only what is PostgreSQL's own
// — the schema "torancal", the certificate counters, the catalogue, the error codes, the
// grants — is written here.
#include "core/records/SqlDialect.h"

#include <QRegularExpression>
#include <QSqlError>

namespace records {

namespace {

const QString Schema = QStringLiteral("torancal");

// SQLite's column types as PostgreSQL spells them.
QString mappedTypes(QString step) {
    static const QRegularExpression blob(QStringLiteral("\\bBLOB\\b"));
    return step.replace(blob, QStringLiteral("BYTEA"));
}

// What the first version adds before SQLite's tables: the schema and the trigger functions.
QStringList preamble() {
    return {
        QStringLiteral("CREATE SCHEMA IF NOT EXISTS %1").arg(Schema),
        QStringLiteral("CREATE FUNCTION %1.refuse_change() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$ BEGIN RAISE EXCEPTION 'records are append-only' USING ERRCODE = "
                       "'insufficient_privilege'; END $$")
            .arg(Schema),
        // current_user, the server's clock, and the client's address (the bench's name for a
        // connection over the local socket), whatever the row says.
        QStringLiteral("CREATE FUNCTION %1.stamp_row() RETURNS trigger LANGUAGE plpgsql AS $$ "
                       "BEGIN NEW.stamped_by := current_user; NEW.stamped_at := now(); "
                       "NEW.stamped_from := COALESCE(host(inet_client_addr()), "
                       "current_setting('application_name')); RETURN NEW; END $$")
            .arg(Schema),
        // One row per year, locked by the transaction that takes the next number from it.
        QStringLiteral("CREATE TABLE %1.certificate_counters (year INTEGER PRIMARY KEY, "
                       "last_sequence INTEGER NOT NULL)")
            .arg(Schema),
    };
}

// One SQLite step as PostgreSQL steps.
QStringList carriedOver(const QString& step) {
    static const QRegularExpression trigger(
        QStringLiteral("^CREATE TRIGGER (\\w+) BEFORE (UPDATE|DELETE) ON (\\w+) BEGIN .* END$"));
    static const QRegularExpression table(QStringLiteral("^CREATE TABLE (\\w+) "));
    // Once per statement, so that one touching no row is refused as well; TRUNCATE with DELETE.
    if (const QRegularExpressionMatch m = trigger.match(step); m.hasMatch())
        return {QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH STATEMENT EXECUTE "
                               "FUNCTION %4.refuse_change()")
                    .arg(m.captured(1),
                         m.captured(2) == u"DELETE" ? QStringLiteral("DELETE OR TRUNCATE")
                                                    : m.captured(2),
                         m.captured(3), Schema)};
    QStringList steps{mappedTypes(step)};
    if (const QRegularExpressionMatch m = table.match(step);
        m.hasMatch() && m.captured(1) != u"schema_version")
        steps << QStringLiteral("ALTER TABLE %1 ADD COLUMN stamped_by TEXT, ADD COLUMN "
                                "stamped_at TIMESTAMPTZ, ADD COLUMN stamped_from TEXT")
                     .arg(m.captured(1))
              << QStringLiteral("CREATE TRIGGER %1_stamp BEFORE INSERT ON %1 FOR EACH ROW "
                                "EXECUTE FUNCTION %2.stamp_row()")
                     .arg(m.captured(1), Schema);
    return steps;
}

std::vector<Migration> carriedOverMigrations() {
    std::vector<Migration> all;
    for (const Migration& sqlite : sqliteDialect().migrations()) {
        Migration migration{sqlite.version, sqlite.version == 1 ? preamble() : QStringList()};
        for (const QString& step : sqlite.steps)
            migration.steps << carriedOver(step);
        all.push_back(std::move(migration));
    }
    return all;
}

QString quotedIdentifier(QString name) {
    return u'"' + name.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

class PostgresDialect final : public SqlDialect {
public:
    [[nodiscard]] QString driver() const override { return QStringLiteral("QPSQL"); }

    [[nodiscard]] QStringList
    connectionSetup(std::chrono::milliseconds busyTimeout) const override {
        return {QStringLiteral("SET search_path TO %1").arg(Schema),
                QStringLiteral("SET lock_timeout = %1").arg(busyTimeout.count()),
                QStringLiteral("SET client_min_messages = warning")};
    }

    [[nodiscard]] const std::vector<Migration>& migrations() const override {
        static const std::vector<Migration> all = carriedOverMigrations();
        return all;
    }

    [[nodiscard]] QString sql(Sql statement) const override {
        switch (statement) {
        case Sql::SchemaTableExists:
            return QStringLiteral("SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                  "'%1' AND tablename = 'schema_version'")
                .arg(Schema);
        case Sql::Begin:
            return QStringLiteral("BEGIN");
        case Sql::IntegrityCheck:
            return QStringLiteral("SELECT 'ok'"); // the server keeps its own consistency
        case Sql::NextCertificateSequence:
            return QStringLiteral(
                "INSERT INTO certificate_counters AS c (year, last_sequence) VALUES (:year, 1) "
                "ON CONFLICT (year) DO UPDATE SET last_sequence = c.last_sequence + 1 "
                "RETURNING last_sequence");
        default:
            return sqliteDialect().sql(statement);
        }
    }

    [[nodiscard]] StoreState stateOf(const QSqlError& error) const override {
        const QString code = error.nativeErrorCode();
        // libpq reports a refused or lost connection without a SQLSTATE of the server.
        if (error.type() == QSqlError::ConnectionError ||
            (code.isEmpty() && error.type() != QSqlError::NoError) || code.startsWith(u"08") ||
            code.startsWith(u"57P"))
            return StoreState::Unreachable;
        if (code == u"25006") // read_only_sql_transaction: a standby
            return StoreState::ReadOnly;
        if (code == u"XX001" || code == u"XX002") // data_corrupted, index_corrupted
            return StoreState::Damaged;
        return StoreState::Ready;
    }

    [[nodiscard]] bool retryable(const QSqlError& error) const override {
        // serialization_failure, deadlock_detected, unique_violation (two benches took the same
        // revision of a setting at once)
        const QString code = error.nativeErrorCode();
        return code == u"40001" || code == u"40P01" || code == u"23505";
    }

    [[nodiscard]] QStringList grantsTo(const QString& role) const override {
        const QString name = quotedIdentifier(role);
        return {
            QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(Schema, name),
            QStringLiteral("GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA %1 TO %2")
                .arg(Schema, name),
            QStringLiteral("REVOKE UPDATE, DELETE, TRUNCATE ON ALL TABLES IN SCHEMA %1 FROM %2")
                .arg(Schema, name),
            QStringLiteral("GRANT UPDATE ON %1.certificate_counters TO %2").arg(Schema, name),
            // Tables a later version adds.
            QStringLiteral("ALTER DEFAULT PRIVILEGES IN SCHEMA %1 GRANT SELECT, INSERT ON "
                           "TABLES TO %2")
                .arg(Schema, name),
        };
    }
};

} // namespace

const SqlDialect& postgresDialect() {
    static const PostgresDialect dialect;
    return dialect;
}

} // namespace records
