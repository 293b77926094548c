#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

class ComDevice;

// The event thread of an open port. With no handlers set there is no event worth waiting for, so it
// waits for its stop signal alone, reads no data, and purges both device queues as it leaves.
class TComThread {
public:
    explicit TComThread(ComDevice& device);
    ~TComThread(); // stops the thread and waits for its end
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    void Stop();

private:
    void Execute();

    ComDevice& device_;
    std::mutex mutex_;
    std::condition_variable stopSignal_;
    bool stopped_ = false;
    std::thread thread_;
};
