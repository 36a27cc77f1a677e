#pragma once

#include <QSqlError>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace testsupport {

// The server pg_virtualenv names in PGHOST, PGPORT, ..., else a throwaway cluster on a unix socket
// in a temporary directory, run as the current user, or as postgres when that is root.
class PostgresCluster {
public:
    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    [[nodiscard]] bool running() const { return problem_.isEmpty(); }
    [[nodiscard]] const QString& problem() const { return problem_; }
    // The key=value address of `database` as `user` (the superuser when empty).
    [[nodiscard]] QString address(const QString& database, const QString& user = {}) const;
    struct Result {
        QVariant first; // the first column of the first row
        QSqlError error;
    }; // of `sql` run on a connection of its own
    Result run(const QString& sql, const QString& database = QStringLiteral("postgres"),
               const QString& user = {}) const;
    // An empty database, and a login role (its password PGPASSWORD's).
    bool fresh(const QString& database, const QString& role) const;

    // The throwaway cluster's server stopped at once (as by a power cut) and started again;
    // false under pg_virtualenv, whose server is not this program's to stop.
    bool stop();
    bool start();

private:
    bool tool(const QString& name, const QStringList& arguments);

    std::unique_ptr<QTemporaryDir> directory_; // the throwaway cluster's
    QString host_;
    QString port_;
    QString superuser_;
    QString problem_;
    bool asPostgres_ = false;
};

} // namespace testsupport

// Skips the test where no server can be had, unless TORANCAL_REQUIRE_DB=1 (then it fails).
#define REQUIRE_POSTGRES(cluster)                                                                  \
    do {                                                                                           \
        if (!(cluster).running()) {                                                                \
            const QByteArray why = "no PostgreSQL (packages postgresql and libqt6sql6-psql): " +   \
                                   (cluster).problem().toLocal8Bit();                              \
            if (qEnvironmentVariable("TORANCAL_REQUIRE_DB") == u"1")                               \
                QFAIL(why.constData());                                                            \
            QSKIP(why.constData());                                                                \
        }                                                                                          \
    } while (false)
