#include "core/records/ServerAddress.h"

#include <QRegularExpression>
#include <QUrl>
#include <array>

namespace records {

namespace {

constexpr std::array OptionKeys{
    "sslmode",    "sslrootcert",     "sslcert",          "sslkey",
    "sslcrl",     "connect_timeout", "application_name", "target_session_attrs",
    "gssencmode", "keepalives",      "keepalives_idle"};

constexpr std::array SslModes{"disable", "allow", "prefer", "require", "verify-ca", "verify-full"};

bool known(const auto& list, const QString& key) {
    for (const char* each : list)
        if (key == QLatin1String(each))
            return true;
    return false;
}

QString refusePassword() {
    return QStringLiteral("the database address carries a password; leave it out and put it in "
                          "~/.pgpass (or PGPASSWORD), where the server's client library reads it");
}

// One setting into the address; an error text when it is refused.
QString take(ServerAddress& address, const QString& key, const QString& value) {
    if (key == u"password")
        return refusePassword();
    if (value.contains(u';'))
        return QStringLiteral("the database setting %1 contains ';'").arg(key);
    if (key == u"host") {
        address.host = value;
    } else if (key == u"port") {
        bool ok = false;
        address.port = value.toInt(&ok);
        if (!ok || address.port < 1 || address.port > 65535)
            return QStringLiteral("the database port must be 1..65535, not '%1'").arg(value);
    } else if (key == u"dbname") {
        address.database = value;
    } else if (key == u"user") {
        address.user = value;
    } else if (known(OptionKeys, key)) {
        if (key == u"sslmode" && !known(SslModes, value))
            return QStringLiteral("sslmode takes disable, allow, prefer, require, verify-ca or "
                                  "verify-full, not '%1'")
                .arg(value);
        address.options.insert(key, value);
    } else {
        return QStringLiteral("unknown database setting '%1'").arg(key);
    }
    return {};
}

// postgresql://[user@][host][:port][/dbname][?key=value&...], each part percent-encoded (a
// socket directory as the host: %2Fvar%2Frun%2Fpostgresql).
ParsedAddress fromUrl(const QString& text) {
    static const QRegularExpression url(QStringLiteral(
        "^postgres(?:ql)?://(?:([^@/?]*)@)?(\\[[^\\]]*\\]|[^:/?]*)(?::(\\d*))?(?:/([^?]*))?"
        "(?:\\?(.*))?$"));
    const QRegularExpressionMatch m = url.match(text);
    if (!m.hasMatch())
        return {std::nullopt, QStringLiteral("the database address is not a valid URL")};
    const auto decoded = [](const QString& part) {
        return QUrl::fromPercentEncoding(part.toUtf8());
    };
    if (m.captured(1).contains(u':'))
        return {std::nullopt, refusePassword()};
    ServerAddress address;
    address.user = decoded(m.captured(1));
    QString host = decoded(m.captured(2));
    if (host.startsWith(u'['))
        host = host.mid(1, host.size() - 2);
    address.host = host;
    address.database = decoded(m.captured(4));
    if (!m.captured(3).isEmpty())
        if (QString error = take(address, QStringLiteral("port"), m.captured(3)); !error.isEmpty())
            return {std::nullopt, error};
    const QString query = m.captured(5);
    for (const QString& pair : query.split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(u'=');
        const QString key = decoded(equals < 0 ? pair : pair.left(equals));
        const QString value = equals < 0 ? QString() : decoded(pair.mid(equals + 1));
        if (QString error = take(address, key, value); !error.isEmpty())
            return {std::nullopt, error};
    }
    return {address, {}};
}

// key=value pairs separated by spaces; a value may be quoted in '...' with \ escaping.
ParsedAddress fromPairs(const QString& text) {
    ServerAddress address;
    qsizetype i = 0;
    const auto skipSpace = [&] {
        while (i < text.size() && text[i].isSpace())
            ++i;
    };
    for (skipSpace(); i < text.size(); skipSpace()) {
        const qsizetype equals = text.indexOf(u'=', i);
        if (equals < 0)
            return {std::nullopt, QStringLiteral("the database address expects key=value, not '%1'")
                                      .arg(text.mid(i))};
        const QString key = text.mid(i, equals - i).trimmed();
        i = equals + 1;
        skipSpace();
        QString value;
        if (i < text.size() && text[i] == u'\'') {
            for (++i; i < text.size() && text[i] != u'\''; ++i) {
                if (text[i] == u'\\' && i + 1 < text.size())
                    ++i;
                value += text[i];
            }
            if (i >= text.size())
                return {std::nullopt, QStringLiteral("the database address has an unclosed "
                                                     "quote")};
            ++i;
        } else {
            for (; i < text.size() && !text[i].isSpace(); ++i) {
                if (text[i] == u'\\' && i + 1 < text.size())
                    ++i;
                value += text[i];
            }
        }
        if (QString error = take(address, key, value); !error.isEmpty())
            return {std::nullopt, error};
    }
    return {address, {}};
}

QString quoted(const QString& value) {
    QString escaped = value;
    escaped.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + escaped + u'\'';
}

} // namespace

ParsedAddress parseServerAddress(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {std::nullopt, QStringLiteral("the database address is empty")};
    if (trimmed.startsWith(u"postgresql://") || trimmed.startsWith(u"postgres://"))
        return fromUrl(trimmed);
    if (trimmed.contains(u"://"))
        return {std::nullopt, QStringLiteral("the database address must begin postgresql://, "
                                             "not '%1'")
                                  .arg(trimmed.section(QStringLiteral("://"), 0, 0))};
    return fromPairs(trimmed);
}

QString ServerAddress::connectOptions(const QString& benchName) const {
    QMap<QString, QString> all = options;
    if (!all.contains(QStringLiteral("connect_timeout")))
        all.insert(QStringLiteral("connect_timeout"), QStringLiteral("10"));
    if (!all.contains(QStringLiteral("application_name")))
        all.insert(QStringLiteral("application_name"), QStringLiteral("torancal ") + benchName);
    QStringList pairs;
    for (auto each = all.cbegin(); each != all.cend(); ++each)
        pairs << each.key() + u'=' + quoted(each.value());
    return pairs.join(u';');
}

QString ServerAddress::display() const {
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + u'@';
    text += host.contains(u':')   ? u'[' + host + u']'
            : host.contains(u'/') ? QString::fromLatin1(QUrl::toPercentEncoding(host))
                                  : host;
    if (port > 0)
        text += u':' + QString::number(port);
    return text + u'/' + database;
}

} // namespace records
