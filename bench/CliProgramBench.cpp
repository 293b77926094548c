// voice-programmer-cli programming controller emulators paced at 115200 baud, as the command line
// runs it: a full bank without read-back on one port, then on four ports at once, then a bank with
// 10 s of phrases programmed used-only. Prints the times and their ratios to the targets.
//
//   bench-cli-program

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "emulator/ControllerEmulator.h"
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"

extern char** environ;

namespace {

// A bank whose phrases take the given seconds, spread over the first events, written to the file.
void WriteBank(const std::string& file, std::uint32_t samples) {
    auto bank = std::make_unique<VoiceBank>();
    for (std::uint32_t i = 0; i < samples; ++i)
        bank->AppendSample(static_cast<std::uint8_t>(i * 43 / samples),
                           static_cast<std::int16_t>((i * 977) % 20000 - 10000));
    bank->PackImage();
    WriteVoiceFile(file, bank->image);
}

// Seconds from start to exit of "program FILE --no-verify [--used-only] --port ..." on that many
// fresh paced emulators; negative when it did not succeed.
double TimeProgram(const std::string& file, int ports, bool usedOnly) {
    std::vector<std::unique_ptr<emulator::ControllerEmulator>> controllers;
    std::vector<std::string> arguments{VP_CLI, "program", file, "--no-verify"};
    if (usedOnly)
        arguments.emplace_back("--used-only");
    for (int i = 0; i < ports; ++i) {
        controllers.push_back(std::make_unique<emulator::ControllerEmulator>(
            emulator::Options{.paced = true, .transcriptCapacity = 0}));
        arguments.emplace_back("--port");
        arguments.push_back(controllers.back()->SlavePath());
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    const bool ran = posix_spawn(&pid, VP_CLI, &quiet, nullptr, argv.data(), environ) == 0 &&
                     waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&quiet);
    return ran ? seconds : -1;
}

} // namespace

int main() {
    const std::string full = "/tmp/bench-cli-full-" + std::to_string(getpid()) + ".vce";
    const std::string short10 = "/tmp/bench-cli-10s-" + std::to_string(getpid()) + ".vce";
    WriteBank(full, kCapacitySamples);
    WriteBank(short10, 80000);

    const double one = TimeProgram(full, 1, false);
    std::printf("full program without read-back, one port:     %7.2f s\n", one);
    const double four = TimeProgram(full, 4, false);
    std::printf("full program without read-back, four ports:   %7.2f s  (%.3f x one port; target 1.05)\n",
                four, four / one);
    const double used = TimeProgram(short10, 1, true);
    std::printf("10 s of phrases, used-only, one port:          %7.2f s  (%.1f%% of full; target 10%%)\n",
                used, 100 * used / one);
    std::remove(full.c_str());
    std::remove(short10.c_str());
    return one > 0 && four > 0 && used > 0 ? 0 : 1;
}
