#include "emulator/ControllerEmulator.h"

#include <algorithm>
#include <sstream>

#include "LineProtocol.h"
#include "LineServerClient.h"

namespace emulator {

ControllerEmulator::ControllerEmulator(const Options& options)
    : server_(std::make_unique<LineServerClient>()), slavePath_(LineServerClient::ComPort()) {
    server_->Ask("controller " + options.firmware + " " + std::to_string(options.memoryFill) + " " +
                 (options.paced ? "1" : "0"));
}

ControllerEmulator::~ControllerEmulator() = default;

void ControllerEmulator::Stop() {
    server_->Ask("stop");
}

void ControllerEmulator::ReadMemory(std::size_t offset, std::span<std::uint8_t> out) const {
    const std::vector<std::uint8_t> bytes = line_protocol::Unhex(
        server_->AskBytes("memory " + std::to_string(offset) + " " + std::to_string(out.size())));
    std::copy_n(bytes.begin(), std::min(bytes.size(), out.size()), out.begin());
}

void ControllerEmulator::WriteMemory(std::size_t offset, std::span<const std::uint8_t> bytes) {
    server_->Ask("set-memory " + std::to_string(offset) + " " + line_protocol::Hex(bytes));
}

void ControllerEmulator::SetFirmware(std::string_view version) {
    server_->Ask("firmware " + std::string(version));
}

void ControllerEmulator::SetPaced(bool paced) {
    server_->Ask(paced ? "paced 1" : "paced 0");
}

void ControllerEmulator::InjectFault(const Fault& fault) {
    server_->Ask("fault " + std::to_string(static_cast<int>(fault.stage)) + " " +
                 std::to_string(static_cast<int>(fault.kind)) + " " + std::to_string(fault.block) + " " +
                 std::to_string(fault.attempt) + " " + std::to_string(fault.delayMs));
}

void ControllerEmulator::ClearFaults() {
    server_->Ask("clear-faults");
}

Counters ControllerEmulator::Count() const {
    std::istringstream in(server_->Ask("count"));
    Counters c;
    in >> c.identifications >> c.programmingCommands >> c.writeBlocks >> c.readBlocks;
    return c;
}

std::vector<int> ControllerEmulator::SpeedsSeen(Stage stage) const {
    std::istringstream in(server_->Ask("speeds " + std::to_string(static_cast<int>(stage))));
    std::vector<int> speeds;
    for (int speed = 0; in >> speed;)
        speeds.push_back(speed);
    return speeds;
}

std::vector<std::string> ControllerEmulator::Violations() const {
    std::istringstream in(server_->Ask("violations"));
    std::vector<std::string> violations;
    for (std::string hex; in >> hex;) {
        const std::vector<std::uint8_t> bytes = line_protocol::Unhex(hex);
        violations.emplace_back(bytes.begin(), bytes.end());
    }
    return violations;
}

std::vector<std::uint8_t> ControllerEmulator::Transcript() const {
    return line_protocol::Unhex(server_->AskBytes("transcript"));
}

} // namespace emulator
