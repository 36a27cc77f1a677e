#include "tests/support/PostgresCluster.h"

#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace testsupport {

namespace {

const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin");
const QString Port = QStringLiteral("54329");

} // namespace

PostgresCluster::PostgresCluster() {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        problem_ = QStringLiteral("Qt's QPSQL driver is missing");
        return;
    }
    if (qEnvironmentVariableIsSet("PGHOST") && qEnvironmentVariableIsSet("PGPORT")) {
        host_ = qEnvironmentVariable("PGHOST");
        port_ = qEnvironmentVariable("PGPORT");
        superuser_ = qEnvironmentVariable("PGUSER", QStringLiteral("postgres"));
        return;
    }
    if (!QFileInfo(Bin + QStringLiteral("/initdb")).isExecutable()) {
        problem_ = Bin + QStringLiteral("/initdb is missing");
        return;
    }
    directory_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/torancal-pg-XXXXXX"));
    if (!directory_->isValid()) {
        problem_ = directory_->errorString();
        return;
    }
#ifdef Q_OS_UNIX
    // The server refuses to run as root: then it runs as postgres, in a directory of its own.
    if (::geteuid() == 0) {
        const passwd* postgres = ::getpwnam("postgres");
        if (postgres == nullptr || ::chown(QFile::encodeName(directory_->path()).constData(),
                                           postgres->pw_uid, postgres->pw_gid) != 0) {
            problem_ = QStringLiteral("running as root, and no user postgres to run the server");
            return;
        }
        asPostgres_ = true;
    }
#endif
    host_ = directory_->path();
    port_ = Port;
    superuser_ = QStringLiteral("postgres");
    const QString data = directory_->filePath(QStringLiteral("data"));
    if (!runTool(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), superuser_,
                  QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--no-sync"),
                  QStringLiteral("-E"), QStringLiteral("UTF8")}))
        return;
    (void)runTool(QStringLiteral("pg_ctl"),
                  {QStringLiteral("-D"), data, QStringLiteral("-w"), QStringLiteral("-l"),
                   directory_->filePath(QStringLiteral("log")), QStringLiteral("-o"),
                   QStringLiteral("-k %1 -p %2 -c listen_addresses='' -c fsync=off "
                                  "-c max_connections=50")
                       .arg(host_, port_),
                   QStringLiteral("start")});
}

PostgresCluster::~PostgresCluster() {
    if (directory_ && running())
        (void)runTool(QStringLiteral("pg_ctl"),
                      {QStringLiteral("-D"), directory_->filePath(QStringLiteral("data")),
                       QStringLiteral("-m"), QStringLiteral("immediate"), QStringLiteral("-w"),
                       QStringLiteral("stop")});
}

bool PostgresCluster::runTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (asPostgres_)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                  QStringLiteral("--"), Bin + u'/' + tool} +
                          arguments);
    else
        process.start(Bin + u'/' + tool, arguments);
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
        process.exitCode() == 0)
        return true;
    problem_ = tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll()) +
               process.errorString();
    return false;
}

QString PostgresCluster::address(const QString& database, const QString& user) const {
    return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
        .arg(host_, port_, database, user.isEmpty() ? superuser_ : user);
}

bool PostgresCluster::run(const QString& sql, const QString& database) const {
    const QString name = QUuid::createUuid().toString();
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(host_);
        db.setPort(port_.toInt());
        db.setDatabaseName(database);
        db.setUserName(superuser_);
        QSqlQuery query(db);
        done = db.open() && query.exec(sql);
        if (!done)
            qWarning("%s: %s", qPrintable(sql),
                     qPrintable(db.lastError().text() + query.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

bool PostgresCluster::freshDatabase(const QString& name) const {
    return run(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)) &&
           run(QStringLiteral("CREATE DATABASE %1").arg(name));
}

bool PostgresCluster::createRole(const QString& name) const {
    const QString password = qEnvironmentVariable("PGPASSWORD");
    return run(QStringLiteral("DROP ROLE IF EXISTS %1").arg(name)) &&
           run(QStringLiteral("CREATE ROLE %1 LOGIN%2")
                   .arg(name, password.isEmpty() ? QString()
                                                 : QStringLiteral(" PASSWORD '%1'").arg(password)));
}

} // namespace testsupport
