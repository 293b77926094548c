#include "emulator/ControllerEmulator.h"

#include <algorithm>
#include <sstream>

#include "LineProtocol.h"
#include "LineServerClient.h"

// The Windows build's emulator: the same calls, served by a real emulator in the line server on the Linux
// side; the code under test opens SlavePath(), a COM port that Wine maps to the emulator's pseudo-terminal.
namespace emulator {

struct ControllerEmulator::Impl {
    LineServerClient server;
    std::string slavePath = LineServerClient::ComPort();
};

ControllerEmulator::ControllerEmulator(const Options& options) : impl_(std::make_unique<Impl>()) {
    std::string command = "controller ";
    command.append(options.firmware).append(" ").append(std::to_string(options.memoryFill));
    command.append(options.paced ? " 1" : " 0");
    impl_->server.Ask(command);
}

ControllerEmulator::~ControllerEmulator() = default;

const std::string& ControllerEmulator::SlavePath() const {
    return impl_->slavePath;
}

void ControllerEmulator::Stop() {
    impl_->server.Ask("stop");
}

void ControllerEmulator::ReadMemory(std::size_t offset, std::span<std::uint8_t> out) const {
    const std::vector<std::uint8_t> bytes = line_protocol::Unhex(
        impl_->server.AskBytes("memory " + std::to_string(offset) + " " + std::to_string(out.size())));
    std::copy_n(bytes.begin(), std::min(bytes.size(), out.size()), out.begin());
}

void ControllerEmulator::WriteMemory(std::size_t offset, std::span<const std::uint8_t> bytes) {
    impl_->server.Ask("set-memory " + std::to_string(offset) + " " + line_protocol::Hex(bytes));
}

void ControllerEmulator::SetFirmware(std::string_view version) {
    impl_->server.Ask("firmware " + std::string(version));
}

void ControllerEmulator::SetPaced(bool paced) {
    impl_->server.Ask(paced ? "paced 1" : "paced 0");
}

void ControllerEmulator::Hold(Stage stage) {
    impl_->server.Ask("hold " + std::to_string(static_cast<int>(stage)));
}

void ControllerEmulator::Release() {
    impl_->server.Ask("release");
}

void ControllerEmulator::InjectFault(const Fault& fault) {
    impl_->server.Ask("fault " + std::to_string(static_cast<int>(fault.stage)) + " " +
                      std::to_string(static_cast<int>(fault.kind)) + " " + std::to_string(fault.block) + " " +
                      std::to_string(fault.attempt) + " " + std::to_string(fault.delayMs));
}

void ControllerEmulator::ClearFaults() {
    impl_->server.Ask("clear-faults");
}

Counters ControllerEmulator::Count() const {
    std::istringstream in(impl_->server.Ask("count"));
    Counters c;
    in >> c.identifications >> c.programmingCommands >> c.writeBlocks >> c.readBlocks;
    return c;
}

std::vector<int> ControllerEmulator::SpeedsSeen(Stage stage) const {
    std::istringstream in(impl_->server.Ask("speeds " + std::to_string(static_cast<int>(stage))));
    std::vector<int> speeds;
    for (int speed = 0; in >> speed;)
        speeds.push_back(speed);
    return speeds;
}

std::vector<std::string> ControllerEmulator::Violations() const {
    std::istringstream in(impl_->server.Ask("violations"));
    std::vector<std::string> violations;
    for (std::string hex; in >> hex;) {
        const std::vector<std::uint8_t> bytes = line_protocol::Unhex(hex);
        violations.emplace_back(bytes.begin(), bytes.end());
    }
    return violations;
}

std::vector<std::uint8_t> ControllerEmulator::Transcript() const {
    return line_protocol::Unhex(impl_->server.AskBytes("transcript"));
}

} // namespace emulator
