#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace testsupport {

// A PostgreSQL server for the tests: the one pg_virtualenv names in PGHOST/PGPORT/..., else a
// throwaway cluster (initdb, pg_ctl) listening only on a unix socket in a temporary directory,
// run as the current user, or as "postgres" when the tests run as root. Stopped and removed
// when it goes.
class PostgresCluster {
public:
    PostgresCluster();
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    [[nodiscard]] bool running() const { return problem_.isEmpty(); }
    // Why there is no server.
    [[nodiscard]] const QString& problem() const { return problem_; }
    // The key=value address of `database` as `user` (the superuser when empty).
    [[nodiscard]] QString address(const QString& database, const QString& user = {}) const;
    // Runs `sql` as the superuser in `database`; false (with a warning) when it failed.
    bool run(const QString& sql, const QString& database = QStringLiteral("postgres")) const;
    // A new empty database (one of the same name dropped first).
    bool freshDatabase(const QString& name) const;
    // A login role that may connect to the server (its password PGPASSWORD's where one is used).
    bool createRole(const QString& name) const;

private:
    bool runTool(const QString& tool, const QStringList& arguments);

    std::unique_ptr<QTemporaryDir> directory_; // the throwaway cluster's; null with pg_virtualenv
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
            const QByteArray why =                                                                 \
                "no PostgreSQL server (install the packages postgresql and libqt6sql6-psql): " +   \
                (cluster).problem().toLocal8Bit();                                                 \
            if (qEnvironmentVariable("TORANCAL_REQUIRE_DB") == u"1")                               \
                QFAIL(why.constData());                                                            \
            QSKIP(why.constData());                                                                \
        }                                                                                          \
    } while (false)
