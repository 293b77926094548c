// The emulator itself, driven by a bare termios client, so that the protocol tests can trust what it
// reports: its line checks, its refusals and its hang-up.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "emulator/ControllerEmulator.h"
#include "voice/Checksum.h"

namespace {

using emulator::ControllerEmulator;
using emulator::FaultKind;
using emulator::Stage;

// The far end of the line as a plain descriptor.
class Client {
public:
    explicit Client(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
        EXPECT_GE(fd_, 0);
    }
    ~Client() { close(fd_); }

    void Raw(speed_t speed) {
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        cfsetspeed(&settings, speed);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    void Send(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // The expected number of bytes (and any that follow at once), or what came within timeoutMs; with
    // nothing expected, all that comes within timeoutMs.
    std::vector<std::uint8_t> Receive(std::size_t expected, int timeoutMs = 3000) {
        std::vector<std::uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const bool complete = expected > 0 && bytes.size() >= expected;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, complete ? 50 : std::max<int>(0, left.count())) <= 0 || !(p.revents & POLLIN)) {
                return bytes;
            }
            std::array<std::uint8_t, 512> chunk{};
            const ssize_t got = read(fd_, chunk.data(), chunk.size());
            if (got <= 0) {
                return bytes;
            }
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
        }
    }
    int Descriptor() const { return fd_; }

private:
    int fd_;
};

std::vector<std::uint8_t> Text(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<std::uint8_t> ReadRequest(std::uint32_t address, std::uint8_t length) {
    std::vector<std::uint8_t> frame{0x02, static_cast<std::uint8_t>(address),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address >> 16), length};
    frame.push_back(Checksum(frame));
    return frame;
}

bool Contains(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& text : texts) {
        if (text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(ControllerEmulator, AnswersIdentificationCommandAndReadBlockOnARightLine) {
    ControllerEmulator controller({.firmware = "ZR.07.02", .memoryFill = 0x5A});
    Client client(controller.SlavePath());
    client.Raw(B4800);
    client.Send(Text("21DF\r"));
    EXPECT_EQ(client.Receive(23), Text("21005A522E30372E3032D4\r"));
    client.Send(Text("FPRG\r"));
    EXPECT_EQ(client.Receive(1), std::vector<std::uint8_t>{0x06});
    client.Raw(B115200);
    client.Send(ReadRequest(0x084380, 128));
    const std::vector<std::uint8_t> answer = client.Receive(134);
    ASSERT_EQ(answer.size(), 134u);
    EXPECT_EQ(answer[5], 0x5A);
    EXPECT_EQ(Checksum(std::span(answer).first(133)), answer[133]);

    EXPECT_TRUE(controller.Violations().empty());
    EXPECT_EQ(controller.SpeedsSeen(Stage::Identification), std::vector<int>{4800});
    EXPECT_EQ(controller.SpeedsSeen(Stage::ReadBlock), std::vector<int>{115200});
    const emulator::Counters count = controller.Count();
    EXPECT_EQ(count.identifications, 1);
    EXPECT_EQ(count.programmingCommands, 1);
    EXPECT_EQ(count.readBlocks, 1);
}

TEST(ControllerEmulator, ReportsBadLineSettingsAndServesAllTheSame) {
    ControllerEmulator controller;
    Client client(controller.SlavePath());
    termios cooked{};
    tcgetattr(client.Descriptor(), &cooked);
    cooked.c_lflag &= ~ECHO; // the emulator would otherwise read its own answer back
    cooked.c_cflag |= CSTOPB | CRTSCTS;
    cfsetspeed(&cooked, B9600);
    tcsetattr(client.Descriptor(), TCSANOW, &cooked);

    client.Send(Text("21DF\r"));
    EXPECT_EQ(client.Receive(23).size(), 23u);
    const std::vector<std::string> violations = controller.Violations();
    EXPECT_TRUE(Contains(violations, "identification: line at 9600 baud, expected 4800"));
    EXPECT_TRUE(Contains(violations, "identification: hardware flow control"));
    EXPECT_TRUE(Contains(violations, "identification: two stop bits"));
    EXPECT_TRUE(Contains(violations, "identification: line not raw:"));
    EXPECT_TRUE(Contains(violations, "ICANON"));
}

TEST(ControllerEmulator, RefusesMalformedRequestsWithoutAnswering) {
    ControllerEmulator controller;
    Client client(controller.SlavePath());
    client.Raw(B115200);
    client.Send(ReadRequest(0x000800, 240)); // not yet in programming mode
    EXPECT_TRUE(client.Receive(0, 300).empty());
    client.Raw(B4800);
    client.Send(Text("FPRG\r"));
    EXPECT_EQ(client.Receive(1).size(), 1u);
    client.Raw(B115200);
    std::vector<std::uint8_t> badChecksum = ReadRequest(0x000800, 240);
    badChecksum.back() ^= 1;
    client.Send(badChecksum);
    client.Send(ReadRequest(0x000810, 240)); // not at a block boundary
    client.Send(ReadRequest(0x000800, 128)); // wrong length
    client.Send(ReadRequest(0x084400, 240)); // beyond the memory
    EXPECT_TRUE(client.Receive(0, 300).empty());

    const std::vector<std::string> violations = controller.Violations();
    EXPECT_TRUE(Contains(violations, "read block at 0x000800 refused: not in programming mode"));
    EXPECT_TRUE(Contains(violations, "read block at 0x000800 refused: wrong checksum"));
    EXPECT_TRUE(Contains(violations, "read block at 0x000810 refused: address not at a block boundary"));
    EXPECT_TRUE(Contains(violations, "read block at 0x000800 refused: wrong length"));
    EXPECT_TRUE(Contains(violations, "read block at 0x084400 refused: address outside the memory"));
    EXPECT_EQ(controller.Count().readBlocks, 0);
}

TEST(ControllerEmulator, DropsARequestLeftIncomplete) {
    ControllerEmulator controller;
    Client client(controller.SlavePath());
    client.Raw(B4800);
    client.Send(Text("21D"));
    EXPECT_TRUE(client.Receive(0, 1500).empty());
    client.Send(Text("21DF\r"));
    EXPECT_EQ(client.Receive(23).size(), 23u);
    EXPECT_TRUE(Contains(controller.Violations(), "incomplete request dropped"));
}

TEST(ControllerEmulator, FaultsHitOnlyTheirAttempt) {
    ControllerEmulator controller;
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::ShortAnswer, .attempt = 1});
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::LowercaseHex, .attempt = 2});
    Client client(controller.SlavePath());
    client.Raw(B4800);
    client.Send(Text("21DF\r"));
    EXPECT_EQ(client.Receive(22), Text("2100514D2E30372E3033C7"));
    client.Send(Text("21DF\r"));
    EXPECT_EQ(client.Receive(23), Text("2100514d2e30372e3033c7\r"));
    client.Send(Text("21DF\r"));
    EXPECT_EQ(client.Receive(23), Text("2100514D2E30372E3033C7\r"));
}

// Only lower bounds: a loaded machine makes answers later, never earlier.
TEST(ControllerEmulator, DelaysAndPacesAnswers) {
    ControllerEmulator controller;
    Client client(controller.SlavePath());
    client.Raw(B4800);
    const auto firstByteAfter = [&](const std::string& request) {
        const auto begin = std::chrono::steady_clock::now();
        client.Send(Text(request));
        pollfd p{client.Descriptor(), POLLIN, 0};
        EXPECT_EQ(poll(&p, 1, 2000), 1);
        const auto elapsed = std::chrono::steady_clock::now() - begin;
        EXPECT_EQ(client.Receive(23).size(), 23u);
        return elapsed;
    };
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::Delay, .delayMs = 300});
    EXPECT_GE(firstByteAfter("21DF\r"), std::chrono::milliseconds(300));

    controller.ClearFaults();
    controller.SetPaced(true);
    // 5 characters in and 23 out, 10 bits each at 4800 baud: 58 ms.
    EXPECT_GE(firstByteAfter("21DF\r"), std::chrono::milliseconds(58));
}

TEST(ControllerEmulator, HangUpClosesTheLine) {
    ControllerEmulator controller;
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::HangUp});
    Client client(controller.SlavePath());
    client.Raw(B4800);
    client.Send(Text("21DF\r"));
    pollfd p{client.Descriptor(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    EXPECT_LT(write(client.Descriptor(), "x", 1), 0);
    EXPECT_EQ(controller.Count().identifications, 1);
}

TEST(ControllerEmulator, KeepsMemoryAndTranscriptAfterStop) {
    ControllerEmulator controller;
    const std::array<std::uint8_t, 3> bytes{1, 2, 3};
    controller.WriteMemory(emulator::kMemorySize - 3, bytes);
    {
        Client client(controller.SlavePath());
        client.Raw(B4800);
        client.Send(Text("21DF\r"));
        client.Receive(23);
    }
    const auto begin = std::chrono::steady_clock::now();
    controller.Stop();
    controller.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));

    std::array<std::uint8_t, 3> read{};
    controller.ReadMemory(emulator::kMemorySize - 3, read);
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(controller.Transcript(), Text("21DF\r"));
    EXPECT_THROW(controller.ReadMemory(emulator::kMemorySize - 2, read), std::out_of_range);
    EXPECT_THROW(controller.WriteMemory(emulator::kMemorySize + 1, {}), std::out_of_range);
}

} // namespace
