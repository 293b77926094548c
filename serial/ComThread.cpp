#include "ComThread.h"

#include "ComDevice.h"

TComThread::TComThread(ComDevice& device, TComEvents events)
    : device_(device), events_(events), thread_([this] { Execute(); }) {}

TComThread::~TComThread() {
    Stop();
    thread_.join();
}

void TComThread::Stop() {
    device_.StopEvents();
}

void TComThread::Execute() {
    device_.ServeEvents(events_);
    try {
        device_.Purge(true, true);
    } catch (const EComPort&) {
        // The port is closing anyway; a device that refuses the purge changes nothing for the caller.
    }
}
