#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// A user-mode PulseAudio server of a test's own, in a temporary folder, running the modules it is given.
// PULSE_SERVER names it to the process once it is ready; a program finds its sound server once, so
// start one before anything plays or records.
class PrivateSoundServer {
public:
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Empty when ready, else why not (pulseaudio missing or not starting).
    const std::string& Problem() const { return problem_; }

protected:
    PrivateSoundServer() = default;
    ~PrivateSoundServer();
    // Starts it with the script's lines ("{folder}" stands for its folder) and waits until its socket
    // and `file` (a module's pipe in the folder) are there. Returns the pipe's path, empty on failure.
    std::string Start(const std::string& modules, const std::string& file);

    std::string problem_;

private:
    std::string folder_;
    pid_t pid_ = -1;
};

// One whose only sink plays 16-bit mono at 8000 Hz into a pipe, read here on a thread of its own: what a
// program plays arrives bit for bit. The sink runs on the system clock and plays silence while nothing
// plays.
class CapturingSoundServer final : public PrivateSoundServer {
public:
    CapturingSoundServer();
    ~CapturingSoundServer();

    std::vector<std::int16_t> Captured();

private:
    void Read();

    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::int16_t> captured_;
};

// One whose only input is a pipe source, 16-bit mono at kRate, described as kDescription: a microphone
// that hears what the test feeds it. The source passes on whatever arrives and drops what arrives
// before anyone records, so the signal is fed over and over at a real device's pace.
class FeedingSoundServer final : public PrivateSoundServer {
public:
    static constexpr int kRate = 48000;
    static constexpr const char* kDescription = "Test_FIFO";

    FeedingSoundServer();
    ~FeedingSoundServer();

    void Loop(std::vector<std::int16_t> signal); // until StopFeeding or the end
    void StopFeeding();

private:
    std::string fifo_;
    std::thread feeder_;
    std::atomic<bool> stop_{false};
};
