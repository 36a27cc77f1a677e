#include "cli/SignalEnd.h"

#include <QSocketNotifier>
#include <array>
#include <csignal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace cli {

#ifdef Q_OS_UNIX

namespace {

constexpr std::array<int, 3> EndSignals{SIGINT, SIGTERM, SIGHUP};

// A signal handler reaches nothing but what lies at file scope, and may only touch
// sig_atomic_t there: the pipe's write end, and how many signals wait to be taken.
volatile std::sig_atomic_t wakeDescriptor = -1;
volatile std::sig_atomic_t untaken = 0;

extern "C" void onEndSignal(int number) {
    if (untaken > 0) {
        // Nothing took the first one: no event loop runs, so the program ends as it would have.
        std::signal(number, SIG_DFL);
        std::raise(number);
        return;
    }
    untaken = 1;
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(number);
    (void)!::write(wakeDescriptor, &byte, 1);
    errno = saved;
}

bool prepare(int descriptor) {
    return ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK) == 0 &&
           ::fcntl(descriptor, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

SignalEnd::SignalEnd(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    Q_ASSERT(wakeDescriptor == -1);
    if (::pipe(pipe_) != 0 || !prepare(pipe_[0]) || !prepare(pipe_[1]))
        return;
    wakeDescriptor = pipe_[1];
    untaken = 0;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { take(); });
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : EndSignals)
        ::sigaction(number, &action, nullptr);
}

SignalEnd::~SignalEnd() {
    for (const int number : EndSignals)
        std::signal(number, SIG_DFL);
    notifier_.reset();
    wakeDescriptor = -1;
    for (const int descriptor : pipe_) {
        if (descriptor >= 0)
            ::close(descriptor);
    }
}

void SignalEnd::take() {
    // Cleared before the pipe is read, so that a signal arriving meanwhile counts as taken.
    untaken = 0;
    unsigned char byte = 0;
    int first = 0;
    while (::read(pipe_[0], &byte, 1) == 1) {
        if (first == 0)
            first = byte;
    }
    if (first == 0 || received_ != 0)
        return;
    received_ = first;
    onSignal_(first);
}

QString SignalEnd::name(int signal) {
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

#else

SignalEnd::SignalEnd(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {}

SignalEnd::~SignalEnd() = default;

void SignalEnd::take() {}

QString SignalEnd::name(int signal) {
    return signal == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("signal %1").arg(signal);
}

#endif

} // namespace cli
