#include "tests/support/PostgresCluster.h"

#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace testsupport {

namespace {
const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
}

PostgresCluster::PostgresCluster() : superuser_(QStringLiteral("postgres")) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        problem_ = QStringLiteral("Qt's QPSQL driver is missing");
    } else if (qEnvironmentVariableIsSet("PGHOST") && qEnvironmentVariableIsSet("PGPORT")) {
        host_ = qEnvironmentVariable("PGHOST");
        port_ = qEnvironmentVariable("PGPORT");
        superuser_ = qEnvironmentVariable("PGUSER", superuser_);
        return;
    } else if (!QFileInfo(Bin + QStringLiteral("initdb")).isExecutable()) {
        problem_ = Bin + QStringLiteral("initdb is missing");
    }
    if (!running())
        return;
    directory_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/torancal-pg-XXXXXX"));
    host_ = directory_->path();
    port_ = QStringLiteral("5432");
#ifdef Q_OS_UNIX
    // The server refuses to run as root: then it runs as postgres, in a directory it owns.
    asPostgres_ = ::geteuid() == 0;
    if (asPostgres_ && QProcess::execute(QStringLiteral("chown"), {"postgres", host_}) != 0)
        problem_ = QStringLiteral("running as root, and no user postgres for the server");
#endif
    (void)(running() &&
           tool(QStringLiteral("initdb"), {"-D", directory_->filePath(QStringLiteral("data")), "-U",
                                           superuser_, "-A", "trust", "--no-sync"}) &&
           start());
}

PostgresCluster::~PostgresCluster() {
    if (running())
        (void)stop();
}

bool PostgresCluster::start() {
    return directory_ &&
           tool(QStringLiteral("pg_ctl"),
                {"-D", directory_->filePath(QStringLiteral("data")), "-w", "-l",
                 directory_->filePath(QStringLiteral("log")), "-o",
                 QStringLiteral("-k %1 -c listen_addresses='' -c fsync=off").arg(host_), "start"});
}

bool PostgresCluster::stop() {
    return directory_ &&
           tool(QStringLiteral("pg_ctl"), {"-D", directory_->filePath(QStringLiteral("data")), "-m",
                                           "immediate", "-w", "stop"});
}

bool PostgresCluster::tool(const QString& name, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(asPostgres_ ? QStringLiteral("runuser") : Bin + name,
                  asPostgres_ ? QStringList{"-u", "postgres", "--", Bin + name} + arguments
                              : arguments);
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    problem_ = name + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()) +
               process.errorString();
    return false;
}

QString PostgresCluster::address(const QString& database, const QString& user) const {
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(host_, port_, database, user.isEmpty() ? superuser_ : user);
}

PostgresCluster::Result PostgresCluster::run(const QString& sql, const QString& database,
                                             const QString& user) const {
    const QString name = QUuid::createUuid().toString();
    Result result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host_);
        db.setPort(port_.toInt());
        db.setDatabaseName(database);
        db.setUserName(user.isEmpty() ? superuser_ : user);
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral("SET search_path TO torancal")) &&
            query.exec(sql) && query.next())
            result.first = query.value(0);
        result.error = db.isOpen() ? query.lastError() : db.lastError();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

bool PostgresCluster::fresh(const QString& database, const QString& role) const {
    for (const QString& sql :
         {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database),
          QStringLiteral("CREATE DATABASE %1").arg(database),
          QStringLiteral("DROP ROLE IF EXISTS %1").arg(role),
          QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
              .arg(role, qEnvironmentVariable("PGPASSWORD"))})
        if (const QSqlError error = run(sql).error; error.isValid()) {
            qWarning("%s: %s", qPrintable(sql), qPrintable(error.text()));
            return false;
        }
    return true;
}

} // namespace testsupport
