#include "SoundServer.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void StartServer(const std::string& folder, const std::string& script) {
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("PULSE_RUNTIME_PATH", (folder + "/run").c_str(), 1);
    ::setenv("PULSE_STATE_PATH", (folder + "/state").c_str(), 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execlp("pulseaudio", "pulseaudio", "-n", "-F", script.c_str(), "--daemonize=no", "--exit-idle-time=-1",
             "--use-pid-file=no", "--system=no", static_cast<char*>(nullptr));
    ::_exit(127);
}

} // namespace

std::string PrivateSoundServer::Start(const std::string& modules, const std::string& file) {
    if (std::system("pulseaudio --version >/dev/null 2>&1") != 0) {
        problem_ = "pulseaudio is not installed";
        return {};
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "sound-server-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        problem_ = "no temporary folder";
        return {};
    }
    folder_ = pattern;
    const std::string script = folder_ + "/server.pa", socket = folder_ + "/native",
                      pipe = folder_ + "/" + file;
    std::string lines = modules;
    for (std::size_t at; (at = lines.find("{folder}")) != std::string::npos;)
        lines.replace(at, 8, folder_);
    std::ofstream(script) << "load-module module-native-protocol-unix socket=" << socket
                          << " auth-anonymous=1\n"
                          << lines;
    pid_ = ::fork();
    if (pid_ == 0)
        StartServer(folder_, script);
    const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(socket) || !std::filesystem::exists(pipe)) {
        if (std::chrono::steady_clock::now() > due || ::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            problem_ = "pulseaudio did not start";
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    return pipe;
}

PrivateSoundServer::~PrivateSoundServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!folder_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
}

CapturingSoundServer::CapturingSoundServer() {
    const std::string pipe =
        Start("load-module module-pipe-sink file={folder}/capture format=s16le rate=8000 channels=1 "
              "use_system_clock_for_timing=yes sink_name=capture\nset-default-sink capture\n",
              "capture");
    if (pipe.empty())
        return;
    fd_ = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        problem_ = "the sink's pipe does not open";
        return;
    }
    reader_ = std::thread([this] { Read(); });
}

CapturingSoundServer::~CapturingSoundServer() {
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<std::int16_t> CapturingSoundServer::Captured() {
    std::lock_guard lock(mutex_);
    return captured_;
}

void CapturingSoundServer::Read() {
    std::vector<std::int16_t> block(4096);
    while (!stop_) {
        const ssize_t got = ::read(fd_, block.data(), block.size() * 2);
        if (got <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5)); // nothing in the pipe yet
            continue;
        }
        std::lock_guard lock(mutex_);
        captured_.insert(captured_.end(), block.begin(), block.begin() + got / 2);
    }
}

FeedingSoundServer::FeedingSoundServer() {
    fifo_ = Start("load-module module-pipe-source source_name=fifo file={folder}/fifo format=s16le rate=" +
                      std::to_string(kRate) +
                      " channels=1 source_properties=device.description=" + kDescription + "\n",
                  "fifo");
}

FeedingSoundServer::~FeedingSoundServer() {
    StopFeeding();
}

void FeedingSoundServer::Loop(std::vector<std::int16_t> signal) {
    StopFeeding();
    stop_ = false;
    feeder_ = std::thread([this, signal = std::move(signal)] {
        const int fd = ::open(fifo_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || signal.empty())
            return;
        constexpr std::size_t kChunk = kRate / 50; // 20 ms
        auto due = std::chrono::steady_clock::now();
        for (std::size_t at = 0; !stop_; at = (at + kChunk) % signal.size()) {
            const std::size_t n = std::min(kChunk, signal.size() - at);
            if (::write(fd, signal.data() + at, n * 2) <= 0)
                break;
            due += std::chrono::microseconds(1000000 * n / kRate);
            std::this_thread::sleep_until(due);
        }
        ::close(fd);
    });
}

void FeedingSoundServer::StopFeeding() {
    stop_ = true;
    if (feeder_.joinable())
        feeder_.join();
}
