#include "Interrupt.h"

#include <atomic>
#include <csignal>

namespace {

// Written by the signal handler, read by every port's thread: a lock-free atomic serves both.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int signal) {
    interrupted.store(true);
    std::signal(signal, SIG_DFL);
}

} // namespace

void CatchInterrupt() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

bool Interrupted() {
    return interrupted.load();
}
