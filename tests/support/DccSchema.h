#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace testsupport {

// What `xmllint --schema` says against the DCC schema of tests/data/dcc about `xml`: empty when
// it is valid; none when xmllint is not installed (the caller skips).
[[nodiscard]] inline std::optional<QString> dccSchemaProblems(const QByteArray& xml) {
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty())
        return std::nullopt;
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("certificate.xml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(xml) != xml.size())
        return QStringLiteral("cannot write ") + file.fileName();
    file.close();
    QProcess lint;
    lint.start(xmllint,
               {QStringLiteral("--nonet"), QStringLiteral("--noout"), QStringLiteral("--schema"),
                QStringLiteral(TORANCAL_DCC_SCHEMA), file.fileName()});
    if (!lint.waitForFinished(60000))
        return QStringLiteral("xmllint did not finish");
    if (lint.exitStatus() == QProcess::NormalExit && lint.exitCode() == 0)
        return QString();
    return QString::fromLocal8Bit(lint.readAllStandardError()) + u' ';
}

} // namespace testsupport

#define TORANCAL_SKIP_WITHOUT_XMLLINT                                                              \
    "xmllint not found: install libxml2-utils (scripts/setup-deps.sh)"
