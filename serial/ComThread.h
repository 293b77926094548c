#pragma once

#include <thread>

#include "CPort.h"

class ComDevice;

// The event thread of an open port: it waits for the device's events until stopped, reads no data, and
// purges both device queues as it leaves.
class TComThread {
public:
    TComThread(ComDevice& device, TComEvents events);
    ~TComThread(); // stops the thread and waits for its end
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    void Stop();

private:
    void Execute();

    ComDevice& device_;
    TComEvents events_;
    std::thread thread_;
};
