#include "RunProgram.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <sstream>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Closes the descriptor it holds; -1 holds nothing.
class Descriptor {
public:
    Descriptor() = default;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { Close(); }
    int Get() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    void Close() { Reset(-1); }

private:
    int fd_ = -1;
};

bool MakePipe(Descriptor& readEnd, Descriptor& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    readEnd.Reset(fds[0]);
    writeEnd.Reset(fds[1]);
    return true;
}

constexpr int kStopCheckMs = 50; // how soon a requested stop is seen

// Feeds the input and collects the output until the program closes its output or a limit is reached.
// Returns false at a limit, with the run saying which.
bool Exchange(int toChild, int fromChild, const std::string& input, ProgramRun& run, const RunLimits& limits,
              Descriptor& inputEnd) {
    const Clock::time_point deadline = Clock::now() + limits.time;
    std::size_t written = 0;
    std::array<char, 65536> chunk;
    for (;;) {
        if (limits.stop.stop_requested()) {
            run.stopped = true;
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fds[2] = {{fromChild, POLLIN, 0}, {inputEnd.Get() >= 0 ? toChild : -1, POLLOUT, 0}};
        if (::poll(fds, 2, int(std::min<long long>(left.count(), kStopCheckMs))) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) {
            const ssize_t n =
                ::send(toChild, input.data() + written, input.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0)
                written += std::size_t(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                inputEnd.Close(); // the end of its input, or it stopped reading
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = ::read(fromChild, chunk.data(), chunk.size());
            if (n == 0)
                return true;
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                return true;
            if (n > 0 && std::size_t(n) > limits.output - run.output.size()) {
                run.tooMuchOutput = true;
                return false;
            }
            if (n > 0)
                run.output.append(chunk.data(), std::size_t(n));
        }
    }
}

bool MakeSocketPair(Descriptor& childEnd, Descriptor& ownEnd) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return false;
    childEnd.Reset(fds[0]);
    ownEnd.Reset(fds[1]);
    return true;
}

} // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments, const std::string& input,
                      const RunLimits& limits) {
    ProgramRun run;
    Descriptor inRead, inWrite, outRead, outWrite;
    // Its input is a socket rather than a pipe: a program that quits without reading all of it must
    // not kill this one with SIGPIPE.
    if (arguments.empty() || !MakeSocketPair(inRead, inWrite) || !MakePipe(outRead, outWrite))
        return run;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inRead.Get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // A group of its own, so that what it starts in turn (and may hold the output open) goes with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    run.started = true;
    inRead.Close();
    outWrite.Close();

    const bool ended = Exchange(inWrite.Get(), outRead.Get(), input, run, limits, inWrite);
    if (!ended) // the group is still ours: its leader is not yet reaped
        ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (ended && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

bool ProgramInstalled(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return true;
    }
    return false;
}
