#pragma once

// The Windows build's stand-in for the controller emulator (tests/support/emulator): the same calls,
// served by a real emulator in the line server on the Linux side; the code under test opens SlavePath(),
// a COM port that Wine maps to the emulator's pseudo-terminal.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/Faults.h"

class LineServerClient;

namespace emulator {

struct Counters {
    int identifications = 0;
    int programmingCommands = 0;
    int writeBlocks = 0;
    int readBlocks = 0;
};

struct Options {
    std::string firmware = "QM.07.03";
    std::uint8_t memoryFill = 0xFF;
    bool paced = false;
};

class ControllerEmulator {
public:
    explicit ControllerEmulator(const Options& options = {});
    ~ControllerEmulator();
    ControllerEmulator(const ControllerEmulator&) = delete;
    ControllerEmulator& operator=(const ControllerEmulator&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    void Stop();

    void ReadMemory(std::size_t offset, std::span<std::uint8_t> out) const;
    void WriteMemory(std::size_t offset, std::span<const std::uint8_t> bytes);

    void SetFirmware(std::string_view version);
    void SetPaced(bool paced);
    void InjectFault(const Fault& fault);
    void ClearFaults();

    Counters Count() const;
    std::vector<int> SpeedsSeen(Stage stage) const;
    std::vector<std::string> Violations() const;
    std::vector<std::uint8_t> Transcript() const;

private:
    std::unique_ptr<LineServerClient> server_;
    std::string slavePath_;
};

} // namespace emulator
