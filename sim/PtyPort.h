#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace sim {

// A pseudo-terminal in raw mode with a link to its terminal side at a chosen path, so that a
// serial port program opens the link as if it were a serial device. The link goes away with
// the object or with hangUp().
class PtyPort {
public:
    // nullptr with the reason in `error` when the terminal or the link cannot be made.
    [[nodiscard]] static std::unique_ptr<PtyPort> create(const QString& linkPath, QString& error);
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    [[nodiscard]] bool isOpen() const { return controller_ >= 0; }
    // The controlling side, non-blocking; -1 after hangUp().
    [[nodiscard]] int fd() const { return controller_; }
    [[nodiscard]] const QString& terminalPath() const { return terminalPath_; }
    [[nodiscard]] const QString& linkPath() const { return linkPath_; }
    // Closes the terminal as a pulled cable would: the other side reads end of file and
    // errors, and the link is removed.
    void hangUp();

private:
    PtyPort() = default;
    void removeLink();

    int controller_ = -1;
    // Kept open so the terminal stays up while no program has the port open.
    int terminal_ = -1;
    QString terminalPath_;
    QString linkPath_;
    bool linked_ = false;
};

} // namespace sim
