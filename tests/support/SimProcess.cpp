#include "tests/support/SimProcess.h"

#include <QDir>
#include <QFileInfo>

namespace testsupport {

constexpr int AnswerTimeoutMs = 5000;

QString SimProcess::executable() {
    const QString directory = qEnvironmentVariable("TORANCAL_BIN_DIR");
    if (directory.isEmpty())
        return {};
    const QString path = QDir(directory).filePath(QStringLiteral("toran-sim"));
    return QFileInfo(path).isExecutable() ? path : QString();
}

SimProcess::SimProcess(const QString& linkPath, const QStringList& arguments) {
    const QString program = executable();
    if (program.isEmpty()) {
        error_ = QStringLiteral("toran-sim not found (TORANCAL_BIN_DIR)");
        return;
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, QStringList{QStringLiteral("--link"), linkPath} + arguments);
    const QString ready = readLine();
    if (!ready.startsWith(QStringLiteral("ready ")))
        error_ = QStringLiteral("toran-sim did not start: '%1'").arg(ready);
}

SimProcess::~SimProcess() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(AnswerTimeoutMs))
        process_.kill();
    process_.waitForFinished(AnswerTimeoutMs);
}

QString SimProcess::readLine() {
    while (!process_.canReadLine()) {
        if (process_.state() == QProcess::NotRunning && process_.bytesAvailable() == 0)
            return {};
        if (!process_.waitForReadyRead(AnswerTimeoutMs))
            return {};
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

QString SimProcess::command(const QString& line) {
    process_.write((line + u'\n').toLocal8Bit());
    return readLine();
}

bool SimProcess::waitForExit() {
    return process_.waitForFinished(AnswerTimeoutMs) &&
           process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

} // namespace testsupport
