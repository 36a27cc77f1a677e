#include "sim/SimServer.h"

#include "sim/Console.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace sim {

namespace {

constexpr int ReadChunk = 4096;

QByteArray visible(QByteArray text) {
    return text.replace('\r', "\\r");
}

} // namespace

SimServer::SimServer(Instrument& instrument, std::unique_ptr<PtyPort> port, Settings settings)
    : instrument_(instrument), port_(std::move(port)), linkPath_(port_->linkPath()),
      settings_(settings), start_(std::chrono::steady_clock::now()),
      lineReader_(port_->fd(), QSocketNotifier::Read),
      lineWriter_(port_->fd(), QSocketNotifier::Write),
      consoleReader_(STDIN_FILENO, QSocketNotifier::Read) {
    if (settings_.hangupAfter > 0)
        hangUpRule_ = HangUpRule{std::nullopt, settings_.hangupAfter};
    lineWriter_.setEnabled(false);
    arrival_.setSingleShot(true);
    arrival_.setTimerType(Qt::PreciseTimer);
    connect(&lineReader_, &QSocketNotifier::activated, this, &SimServer::readLine);
    connect(&lineWriter_, &QSocketNotifier::activated, this, &SimServer::writeLine);
    connect(&consoleReader_, &QSocketNotifier::activated, this, &SimServer::readConsole);
    connect(&arrival_, &QTimer::timeout, this, &SimServer::deliver);
}

std::chrono::microseconds SimServer::now() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start_);
}

void SimServer::readLine() {
    char buffer[ReadChunk];
    const ssize_t count = ::read(port_->fd(), buffer, sizeof buffer);
    if (count <= 0) {
        if (count < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        lineReader_.setEnabled(false);
        return;
    }
    const int before = instrument_.frameCount();
    const QByteArrayView bytes(buffer, count);
    if (!hangUpRule_) {
        instrument_.receive(bytes, now());
    } else {
        // Byte by byte, so that nothing beyond the last frame to answer is taken in.
        for (const char c : bytes) {
            if (hangUpRule_->framesLeft <= 0) {
                logFramesSince(before);
                hangUp();
                return;
            }
            const int framesBefore = instrument_.frameCount();
            instrument_.receive(QByteArrayView(&c, 1), now());
            if (instrument_.frameCount() > framesBefore &&
                (!hangUpRule_->command ||
                 Instrument::commandOf(instrument_.frames().back()) == hangUpRule_->command))
                --hangUpRule_->framesLeft;
        }
    }
    logFramesSince(before);
    deliver();
}

void SimServer::logFramesSince(int count) {
    if (!settings_.verbose)
        return;
    const auto& frames = instrument_.frames();
    for (auto i = static_cast<qsizetype>(count); i < frames.size(); ++i)
        std::fprintf(stderr, "<- %s\n", visible(frames[i]).constData());
}

void SimServer::logReply(const QByteArray& arrived) {
    // A paced reply leaves a few characters at a time; it is logged once it is complete.
    replyLog_ += arrived;
    if (!replyLog_.isEmpty() && replyLog_.back() == '\r')
        std::fprintf(stderr, "-> %s\n", visible(std::exchange(replyLog_, {})).constData());
}

void SimServer::deliver() {
    if (!port_->isOpen())
        return;
    const QByteArray arrived = instrument_.take(now());
    if (settings_.verbose)
        logReply(arrived);
    unsent_ += arrived;
    writeLine();
    if (const auto next = instrument_.nextArrival()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now());
        arrival_.start(std::max(wait, std::chrono::milliseconds(0)));
    }
}

void SimServer::writeLine() {
    if (!port_->isOpen())
        return;
    while (!unsent_.isEmpty()) {
        const ssize_t written = ::write(port_->fd(), unsent_.constData(), unsent_.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            // A full terminal queue waits for the writer notifier; anything else loses the rest.
            if (errno != EAGAIN)
                unsent_.clear();
            break;
        }
        unsent_.remove(0, written);
    }
    lineWriter_.setEnabled(!unsent_.isEmpty());
}

void SimServer::hangUp() {
    hangUpRule_.reset();
    lineReader_.setEnabled(false);
    lineWriter_.setEnabled(false);
    arrival_.stop();
    unsent_.clear();
    port_->hangUp();
    if (settings_.verbose)
        std::fprintf(stderr, "hung up after %d frames\n", instrument_.frameCount());
}

void SimServer::attachPort() {
    lineReader_.setSocket(port_->fd());
    lineWriter_.setSocket(port_->fd());
    lineReader_.setEnabled(true);
    lineWriter_.setEnabled(false);
}

std::optional<QString> SimServer::runCableCommand(const QStringList& words) {
    if (words.isEmpty())
        return std::nullopt;
    if (words[0] == u"plug") {
        if (port_->isOpen())
            return QStringLiteral("error: the terminal is still up");
        QString error;
        std::unique_ptr<PtyPort> port = PtyPort::create(linkPath_, error);
        if (!port)
            return QStringLiteral("error: ") + error;
        port_ = std::move(port);
        // Whatever was on its way went down with the old terminal.
        instrument_.discardOutput();
        attachPort();
        return QStringLiteral("ready ") + port_->terminalPath();
    }
    if (words[0] != u"hangup")
        return std::nullopt;
    if (!port_->isOpen())
        return QStringLiteral("error: the terminal is already down");
    if (words.size() == 1) {
        hangUp();
        return QStringLiteral("ok");
    }
    HangUpRule rule;
    qsizetype next = 1;
    if (words[next] != u"after") {
        if (words[next] != u"any") {
            rule.command = commandFromName(words[next]);
            if (!rule.command)
                return QStringLiteral("error: unknown command '%1'").arg(words[next]);
        }
        ++next;
    }
    bool ok = false;
    if (words.size() == next + 2 && words[next] == u"after")
        rule.framesLeft = words[next + 1].toInt(&ok);
    if (!ok || rule.framesLeft < 0)
        return QStringLiteral("error: hangup [COMMAND] [after N]");
    hangUpRule_ = rule;
    return QStringLiteral("ok");
}

void SimServer::readConsole() {
    char buffer[ReadChunk];
    const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (count <= 0) {
        consoleReader_.setEnabled(false);
        emit quitRequested();
        return;
    }
    consoleInput_.append(buffer, count);
    qsizetype end = 0;
    while ((end = consoleInput_.indexOf('\n')) >= 0) {
        const QString line = QString::fromLocal8Bit(consoleInput_.left(end));
        consoleInput_.remove(0, end + 1);
        const std::optional<QString> cable =
            runCableCommand(line.simplified().toLower().split(u' ', Qt::SkipEmptyParts));
        const ConsoleAnswer answer =
            cable ? ConsoleAnswer{*cable, false} : runConsoleCommand(instrument_, line);
        if (!answer.line.isEmpty()) {
            std::fprintf(stdout, "%s\n", answer.line.toLocal8Bit().constData());
            std::fflush(stdout);
        }
        if (answer.quit) {
            consoleReader_.setEnabled(false);
            emit quitRequested();
            return;
        }
    }
}

} // namespace sim
