#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

// voice-programmer-cli run in a folder, its stdout and stderr kept in files there.
struct CliResult {
    int code = -1; // the exit code, or -1 when it did not exit by itself
    std::string out;
    std::string err;
};

class CliProcess {
public:
    CliProcess(const std::filesystem::path& folder, const std::vector<std::string>& arguments);
    ~CliProcess(); // kills it if it still runs
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void Interrupt() const; // Ctrl+C
    CliResult Wait();

private:
    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

inline CliResult RunCli(const std::filesystem::path& folder, const std::vector<std::string>& arguments) {
    return CliProcess(folder, arguments).Wait();
}
