#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int wakeUp[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}

// Whether a signal came since the last call.
bool Drained() {
    char bytes[16];
    bool received = false;
    while (::read(wakeUp[0], bytes, sizeof bytes) > 0)
        received = true;
    return received;
}

void Handle(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the program still ends on these signals, only without saving
    auto* notifier = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    listener_ = notifier;
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        if (Drained())
            emit Received();
    });
    Handle(OnSignal);
}

TerminationSignals::~TerminationSignals() {
    if (!listener_)
        return;
    Handle(SIG_DFL);
    delete listener_;
    ::close(wakeUp[0]);
    ::close(wakeUp[1]);
    wakeUp[0] = wakeUp[1] = -1;
}
