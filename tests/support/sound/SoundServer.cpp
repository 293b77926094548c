#include "SoundServer.h"

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

CapturingSoundServer::CapturingSoundServer() {
    if (std::system("pulseaudio --version >/dev/null 2>&1") != 0) {
        problem_ = "pulseaudio is not installed";
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "sound-server-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        problem_ = "no temporary folder";
        return;
    }
    folder_ = pattern;
    const std::string script = folder_ + "/server.pa", socket = folder_ + "/native",
                      pipe = folder_ + "/capture";
    std::ofstream(script)
        << "load-module module-native-protocol-unix socket=" << socket << " auth-anonymous=1\n"
        << "load-module module-pipe-sink file=" << pipe
        << " format=s16le rate=8000 channels=1 use_system_clock_for_timing=yes sink_name=capture\n"
        << "set-default-sink capture\n";
    pid_ = ::fork();
    if (pid_ == 0)
        StartServer(folder_, script);
    const auto due = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(socket) || !std::filesystem::exists(pipe)) {
        if (std::chrono::steady_clock::now() > due || ::waitpid(pid_, nullptr, WNOHANG) == pid_) {
            problem_ = "pulseaudio did not start";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fd_ = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        problem_ = "the sink's pipe does not open";
        return;
    }
    ::setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    reader_ = std::thread([this] { Read(); });
}

CapturingSoundServer::~CapturingSoundServer() {
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    if (fd_ >= 0)
        ::close(fd_);
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    if (!folder_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
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
