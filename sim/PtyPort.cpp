#include "sim/PtyPort.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

QString systemError(const QString& what) {
    return what + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

std::unique_ptr<PtyPort> PtyPort::create(const QString& linkPath, QString& error) {
    std::unique_ptr<PtyPort> port(new PtyPort());
    port->linkPath_ = linkPath;
    port->controller_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (port->controller_ < 0) {
        error = systemError(QStringLiteral("posix_openpt"));
        return nullptr;
    }
    if (::grantpt(port->controller_) != 0 || ::unlockpt(port->controller_) != 0) {
        error = systemError(QStringLiteral("grantpt/unlockpt"));
        return nullptr;
    }
    const char* name = ::ptsname(port->controller_);
    if (name == nullptr) {
        error = systemError(QStringLiteral("ptsname"));
        return nullptr;
    }
    port->terminalPath_ = QString::fromLocal8Bit(name);
    port->terminal_ = ::open(name, O_RDWR | O_NOCTTY);
    if (port->terminal_ < 0) {
        error = systemError(QStringLiteral("open ") + port->terminalPath_);
        return nullptr;
    }
    termios settings{};
    if (::tcgetattr(port->terminal_, &settings) != 0) {
        error = systemError(QStringLiteral("tcgetattr"));
        return nullptr;
    }
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
    if (::tcsetattr(port->terminal_, TCSANOW, &settings) != 0) {
        error = systemError(QStringLiteral("tcsetattr"));
        return nullptr;
    }
    const int flags = ::fcntl(port->controller_, F_GETFL);
    if (flags < 0 || ::fcntl(port->controller_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = systemError(QStringLiteral("fcntl"));
        return nullptr;
    }
    // A link left behind by an earlier run that was killed is replaced; anything else is not.
    const QFileInfo existing(linkPath);
    if (existing.isSymLink())
        QFile::remove(linkPath);
    if (::symlink(name, QFile::encodeName(linkPath).constData()) != 0) {
        error = systemError(QStringLiteral("symlink ") + linkPath);
        return nullptr;
    }
    port->linked_ = true;
    return port;
}

PtyPort::~PtyPort() {
    hangUp();
}

void PtyPort::hangUp() {
    removeLink();
    closeFd(terminal_);
    closeFd(controller_);
}

void PtyPort::removeLink() {
    if (!linked_)
        return;
    linked_ = false;
    // Only our own link: another simulator may have taken the path meanwhile.
    if (QFileInfo(linkPath_).symLinkTarget() == terminalPath_)
        QFile::remove(linkPath_);
}

} // namespace sim
