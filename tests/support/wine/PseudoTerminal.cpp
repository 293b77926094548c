#include "PseudoTerminal.h"

#include "LineProtocol.h"

PseudoTerminal::PseudoTerminal() : slavePath_(LineServerClient::ComPort()) {
    server_.Ask("line");
}

std::int32_t PseudoTerminal::SlaveSpeed() {
    return std::stoi(server_.Ask("speed"));
}

bool PseudoTerminal::WaitForRawSlave(Milliseconds timeout) {
    return server_.Ask("raw " + std::to_string(timeout.count())) == "1";
}

bool PseudoTerminal::Write(const void* data, std::size_t count, Milliseconds) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return server_.Ask("write " + line_protocol::Hex({bytes, count})) == "1";
}

bool PseudoTerminal::Write(const std::vector<std::uint8_t>& data, Milliseconds timeout) {
    return Write(data.data(), data.size(), timeout);
}

std::vector<std::uint8_t> PseudoTerminal::Read(std::size_t count, Milliseconds timeout) {
    return line_protocol::Unhex(
        server_.AskBytes("read " + std::to_string(count) + " " + std::to_string(timeout.count())));
}

void PseudoTerminal::HangUp() {
    server_.Ask("hangup");
}
