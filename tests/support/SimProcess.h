#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

// toran-sim from $TORANCAL_BIN_DIR, serving a pseudo-terminal linked at `linkPath`.
class SimProcess {
public:
    // Empty when TORANCAL_BIN_DIR is unset or holds no toran-sim.
    [[nodiscard]] static QString executable();

    // Starts the simulator and waits for its "ready" line; see error() when that failed.
    SimProcess(const QString& linkPath, const QStringList& arguments);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    [[nodiscard]] bool isReady() const { return error_.isEmpty(); }
    [[nodiscard]] const QString& error() const { return error_; }
    // Sends one console command and returns its answer line (empty after 5 s without one).
    QString command(const QString& line);
    // Waits for the process to end by itself; true when it did with exit code 0.
    bool waitForExit();
    QProcess& process() { return process_; }

private:
    QString readLine();

    QProcess process_;
    QString error_;
};

} // namespace testsupport
