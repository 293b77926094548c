#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// A user-mode PulseAudio server of its own whose only sink plays 16-bit mono at 8000 Hz into a pipe,
// read here on a thread of its own: what a program plays arrives bit for bit. The sink runs on the
// system clock and plays silence while nothing plays. PULSE_SERVER names it to the process once it
// is ready; a program finds its sound server once, so start this before anything plays.
class CapturingSoundServer {
public:
    CapturingSoundServer();
    ~CapturingSoundServer();
    CapturingSoundServer(const CapturingSoundServer&) = delete;
    CapturingSoundServer& operator=(const CapturingSoundServer&) = delete;

    // Empty when ready, else why not (pulseaudio missing or not starting).
    const std::string& Problem() const { return problem_; }
    std::vector<std::int16_t> Captured();

private:
    void Read();

    std::string folder_;
    std::string problem_;
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::int16_t> captured_;
};
