// controller-emulator: serves the controller's side of the protocol on a fresh pseudo-terminal until
// interrupted, so the program can be tried without hardware (open the printed device path as the port).
//
//   controller-emulator [--firmware QM.07.03] [--paced] [--load FILE] [--save FILE]
//
// --load takes a raw 539,648-byte memory image or a voice file (its image follows a 22-byte header);
// --save writes the memory as a raw image when the emulator stops.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "emulator/ControllerEmulator.h"

namespace {

constexpr std::size_t kVoiceFileHeader = 22;

int Usage() {
    std::cerr << "usage: controller-emulator [--firmware VERSION] [--paced] [--load FILE] [--save FILE]\n";
    return 2;
}

bool Load(const std::string& path, emulator::ControllerEmulator& controller) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    std::size_t offset = 0;
    if (bytes.size() == emulator::kMemorySize + kVoiceFileHeader + 1) {
        offset = kVoiceFileHeader;
    } else if (bytes.size() != emulator::kMemorySize) {
        std::cerr << path << ": neither a memory image nor a voice file\n";
        return false;
    }
    controller.WriteMemory(0, {bytes.data() + offset, emulator::kMemorySize});
    return true;
}

bool Save(const std::string& path, const emulator::ControllerEmulator& controller) {
    std::vector<std::uint8_t> memory(emulator::kMemorySize);
    controller.ReadMemory(0, memory);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(memory.data()), static_cast<std::streamsize>(memory.size()));
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    emulator::Options options;
    std::string load;
    std::string save;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--paced") {
            options.paced = true;
        } else if (arg == "--firmware" && hasValue) {
            options.firmware = argv[++i];
        } else if (arg == "--load" && hasValue) {
            load = argv[++i];
        } else if (arg == "--save" && hasValue) {
            save = argv[++i];
        } else {
            return Usage();
        }
    }
    options.transcriptCapacity = 0;

    // Block the stop signals before the serving thread starts, so only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    emulator::ControllerEmulator controller(options);
    if (!load.empty() && !Load(load, controller)) {
        return 1;
    }
    std::cout << controller.SlavePath() << std::endl;
    std::cerr << "controller firmware " << options.firmware << (options.paced ? ", paced" : "")
              << "; Ctrl+C stops\n";

    int signal = 0;
    sigwait(&stopSignals, &signal);
    controller.Stop();

    const emulator::Counters count = controller.Count();
    std::cerr << count.identifications << " identifications, " << count.programmingCommands
              << " programming commands, " << count.writeBlocks << " write blocks, " << count.readBlocks
              << " read blocks\n";
    for (const std::string& violation : controller.Violations()) {
        std::cerr << "violation: " << violation << '\n';
    }
    if (!save.empty() && !Save(save, controller)) {
        std::cerr << save << ": cannot write\n";
        return 1;
    }
    return 0;
}
