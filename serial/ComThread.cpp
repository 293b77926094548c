#include "ComThread.h"

#include "ComDevice.h"

TComThread::TComThread(ComDevice& device) : device_(device), thread_([this] { Execute(); }) {}

TComThread::~TComThread() {
    Stop();
    thread_.join();
}

void TComThread::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    stopSignal_.notify_all();
}

void TComThread::Execute() {
    {
        std::unique_lock lock(mutex_);
        stopSignal_.wait(lock, [this] { return stopped_; });
    }
    try {
        device_.Purge(true, true);
    } catch (const EComPort&) {
        // The port is closing anyway; a device that refuses the purge changes nothing for the caller.
    }
}
