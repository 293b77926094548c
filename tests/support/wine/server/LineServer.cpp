// line-server: the far end of a serial line for the Windows build's tests under Wine. A Windows program
// cannot reach a pseudo-terminal's master, nor start a Linux program and hear from it, so this Linux
// program serves pseudo-terminals and controller emulators to it over a local TCP socket.
//
//   line-server LINK PORT-FILE
//
// LINK is the symbolic link that Wine's COM port points at: each session re-points it to its fresh
// pseudo-terminal and removes it before that pseudo-terminal closes (a later one of the same number
// would be hit otherwise). The chosen TCP port is written to PORT-FILE once the server listens.
// Sessions are served one after another, which keeps the tests that share the link apart.

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <netinet/in.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "../LineProtocol.h"
#include "PseudoTerminal.h"
#include "emulator/ControllerEmulator.h"

namespace {

// "=" and the value. Built by appending: GCC 12 -O3 reports a false overlap for "=" + string.
std::string Answer(const std::string& value) {
    std::string answer;
    answer.reserve(value.size() + 1);
    answer.push_back('=');
    answer.append(value);
    return answer;
}

using line_protocol::Hex;
using line_protocol::Unhex;

class Session {
public:
    explicit Session(const std::string& link) : link_(link) {}
    ~Session() { Close(); }

    std::string Run(std::istringstream& in);

private:
    void Point(const std::string& device) {
        Unlink();
        if (::symlink(device.c_str(), link_.c_str()) != 0)
            throw std::runtime_error("cannot link " + link_);
    }
    void Unlink() { ::unlink(link_.c_str()); }
    void Close() {
        Unlink();
        controller_.reset();
        line_.reset();
    }
    PseudoTerminal& Line() {
        if (!line_)
            throw std::runtime_error("no line");
        return *line_;
    }
    emulator::ControllerEmulator& Controller() {
        if (!controller_)
            throw std::runtime_error("no controller");
        return *controller_;
    }

    std::string link_;
    std::unique_ptr<PseudoTerminal> line_;
    std::unique_ptr<emulator::ControllerEmulator> controller_;
};

std::string Session::Run(std::istringstream& in) {
    using std::chrono::milliseconds;
    std::string word;
    in >> word;
    if (word == "line") {
        Close();
        line_ = std::make_unique<PseudoTerminal>();
        Point(line_->SlavePath());
    } else if (word == "controller") {
        emulator::Options options;
        int fill = 0;
        bool paced = false;
        in >> options.firmware >> fill >> paced;
        options.memoryFill = static_cast<std::uint8_t>(fill);
        options.paced = paced;
        options.breaksMayBeIgnored = true;
        Close();
        controller_ = std::make_unique<emulator::ControllerEmulator>(options);
        Point(controller_->SlavePath());
    } else if (word == "write") {
        std::string hex;
        in >> hex;
        return Line().Write(Unhex(hex)) ? "1" : "0";
    } else if (word == "read") {
        std::size_t count = 0;
        int timeout = 0;
        in >> count >> timeout;
        return Answer(Hex(Line().Read(count, milliseconds(timeout))));
    } else if (word == "raw") {
        int timeout = 0;
        in >> timeout;
        return Line().WaitForRawSlave(milliseconds(timeout)) ? "1" : "0";
    } else if (word == "speed") {
        return std::to_string(Line().SlaveSpeed());
    } else if (word == "hangup") {
        Unlink();
        Line().HangUp();
    } else if (word == "stop") {
        Unlink();
        Controller().Stop();
    } else if (word == "fault") {
        int stage = 0, kind = 0;
        emulator::Fault fault;
        in >> stage >> kind >> fault.block >> fault.attempt >> fault.delayMs;
        fault.stage = static_cast<emulator::Stage>(stage);
        fault.kind = static_cast<emulator::FaultKind>(kind);
        Controller().InjectFault(fault);
    } else if (word == "hold") {
        int stage = 0;
        in >> stage;
        Controller().Hold(static_cast<emulator::Stage>(stage));
    } else if (word == "release") {
        Controller().Release();
    } else if (word == "clear-faults") {
        Controller().ClearFaults();
    } else if (word == "firmware") {
        std::string version;
        in >> version;
        Controller().SetFirmware(version);
    } else if (word == "paced") {
        bool paced = false;
        in >> paced;
        Controller().SetPaced(paced);
    } else if (word == "memory") {
        std::size_t offset = 0, size = 0;
        in >> offset >> size;
        std::vector<std::uint8_t> bytes(size);
        Controller().ReadMemory(offset, bytes);
        return Answer(Hex(bytes));
    } else if (word == "set-memory") {
        std::size_t offset = 0;
        std::string hex;
        in >> offset >> hex;
        Controller().WriteMemory(offset, Unhex(hex));
    } else if (word == "count") {
        const emulator::Counters c = Controller().Count();
        return std::to_string(c.identifications) + " " + std::to_string(c.programmingCommands) + " " +
               std::to_string(c.writeBlocks) + " " + std::to_string(c.readBlocks);
    } else if (word == "speeds") {
        int stage = 0;
        in >> stage;
        std::string speeds;
        for (const int speed : Controller().SpeedsSeen(static_cast<emulator::Stage>(stage)))
            speeds += std::to_string(speed) + " ";
        return speeds;
    } else if (word == "violations") {
        std::string all;
        for (const std::string& v : Controller().Violations())
            all += Hex({reinterpret_cast<const std::uint8_t*>(v.data()), v.size()}) + " ";
        return all;
    } else if (word == "transcript") {
        return Answer(Hex(Controller().Transcript()));
    } else {
        throw std::runtime_error("unknown command " + word);
    }
    return "ok";
}

bool ReadLine(int fd, std::string& buffer, std::string& line) {
    for (;;) {
        const std::size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return true;
        }
        char chunk[65536];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return false;
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

bool WriteLine(int fd, std::string line) {
    line += '\n';
    for (std::size_t done = 0; done < line.size();) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Serve(int client, const std::string& link) {
    Session session(link);
    std::string buffer;
    std::string line;
    while (ReadLine(client, buffer, line)) {
        std::istringstream in(line);
        std::string answer;
        try {
            answer = session.Run(in);
        } catch (const std::exception& e) {
            answer = std::string("error ") + e.what();
        }
        if (!WriteLine(client, answer))
            break;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: line-server LINK PORT-FILE\n";
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 16) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::perror("line-server");
        return 1;
    }
    const std::string portFile = argv[2];
    std::ofstream(portFile + ".new") << ntohs(address.sin_port) << '\n';
    std::rename((portFile + ".new").c_str(), portFile.c_str());
    for (;;) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        Serve(client, argv[1]);
        ::close(client);
    }
}
