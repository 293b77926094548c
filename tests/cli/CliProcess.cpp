#include "CliProcess.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

CliProcess::CliProcess(const std::filesystem::path& folder, const std::vector<std::string>& arguments)
    : folder_(folder) {
    std::vector<char*> argv{const_cast<char*>(VP_CLI)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string out = (folder / "stdout").string();
    const std::string err = (folder / "stderr").string();
    pid_ = fork();
    if (pid_ == 0) {
        const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (outFd < 0 || errFd < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        execv(VP_CLI, argv.data());
        _exit(127);
    }
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void CliProcess::Interrupt() const {
    kill(pid_, SIGINT);
}

CliResult CliProcess::Wait() {
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_)
        return {};
    pid_ = -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Contents(folder_ / "stdout"),
            Contents(folder_ / "stderr")};
}
