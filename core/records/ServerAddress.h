#pragma once

#include <QMap>
#include <QString>
#include <optional>

namespace records {

// Where the records store lives on a PostgreSQL server, read from what the operator typed:
// a URL (postgresql://user@host:port/dbname?sslmode=require) or libpq's key=value form
// (host=... port=... dbname=... user=... sslmode=...). A password is never taken from it: libpq
// reads it from ~/.pgpass or PGPASSWORD. What is not given libpq takes from PGHOST, PGPORT, ...
struct ServerAddress {
    QString host;  // a name, an address or a socket directory; empty: libpq's default
    int port = -1; // -1: libpq's default
    QString database;
    QString user;
    QMap<QString, QString> options; // sslmode, connect_timeout, application_name, ...

    // The options as QSqlDatabase::setConnectOptions takes them; connect_timeout and
    // application_name have defaults here when not given.
    [[nodiscard]] QString connectOptions(const QString& benchName) const;
    // postgresql://user@host:port/dbname, for messages (never with a password).
    [[nodiscard]] QString display() const;
};

struct ParsedAddress {
    std::optional<ServerAddress> address;
    QString error; // why it was refused
};

[[nodiscard]] ParsedAddress parseServerAddress(const QString& text);

} // namespace records
