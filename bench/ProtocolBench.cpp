// Writes and reads back a whole image through the controller protocol against the emulator, first as
// fast as the machine allows, then paced at the line's speed, and prints what it took.
//
//   bench-protocol [--unpaced-only]

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>

#include "controller/ControllerLine.h"
#include "controller/ControllerProtocol.h"
#include "emulator/ControllerEmulator.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBlocks = 2249;
constexpr double kWriteLineBytes = 553142 + 15743; // requests out, acknowledgements back
constexpr double kBitsPerByte = 10;

class QuietView : public TransferView {
public:
    void SetActionCaption(const std::string& caption) override {
        std::printf("  caption: %s\n", caption.c_str());
    }
    void SetActionColor(TColor) override {}
    void SetProgressMax(std::int32_t) override {}
    void SetProgressPosition(std::int32_t) override {}
    bool CancelFlag() const override { return false; }
    void SetStatusPanel2(const std::string&) override {}
};

void OpenLikeTheMainWindow(TComPort& port, const std::string& path) {
    SetUpControllerLine(port);
    port.SetPort(path);
    port.Open();
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Identification and "FPRG", then the transfer; returns the seconds of the transfer alone.
template <typename Transfer>
double TimeTransfer(ControllerProtocol& protocol, Transfer transfer) {
    if (protocol.Identify() != 0) {
        std::printf("  identification failed\n");
        return -1;
    }
    protocol.EnterProgrammingMode();
    const auto begin = Clock::now();
    if (transfer() != 0) {
        std::printf("  transfer failed\n");
    }
    return Seconds(Clock::now() - begin);
}

void Unpaced(VoiceBank& bank, VoiceBank& readBack) {
    emulator::ControllerEmulator controller({.transcriptCapacity = 0});
    TComPort port;
    OpenLikeTheMainWindow(port, controller.SlavePath());
    QuietView view;
    ControllerProtocol protocol(port, view);

    const std::clock_t cpuBegin = std::clock();
    const double write = TimeTransfer(protocol, [&] { return protocol.WriteImage(bank.image); });
    const double read = TimeTransfer(protocol, [&] { return protocol.ReadImage(readBack.image); });
    const double cpu = static_cast<double>(std::clock() - cpuBegin) / CLOCKS_PER_SEC;
    std::printf("unpaced\n");
    std::printf("  write %.3f s (%.1f us per block)\n", write, write / kBlocks * 1e6);
    std::printf("  read  %.3f s (%.1f us per block)\n", read, read / kBlocks * 1e6);
    std::printf("  write and read %.3f s (target under 0.3 s)%s\n", write + read,
                VoiceBank::CompareImages(bank, readBack) ? "" : "  READ-BACK DIFFERS");
    std::printf("  processor time, protocol and emulator together: %.1f us per block\n",
                cpu / (2 * kBlocks) * 1e6);
}

void Paced(VoiceBank& bank) {
    emulator::ControllerEmulator controller({.paced = true, .transcriptCapacity = 0});
    TComPort port;
    OpenLikeTheMainWindow(port, controller.SlavePath());
    QuietView view;
    ControllerProtocol protocol(port, view);

    const double write = TimeTransfer(protocol, [&] { return protocol.WriteImage(bank.image); });
    const double line = kWriteLineBytes * kBitsPerByte / 115200;
    std::printf("paced at 115200 baud\n");
    std::printf("  write %.2f s against %.2f s of line time: overhead %.2f%% (target under 2%%)\n", write,
                line, (write / line - 1) * 100);
}

} // namespace

int main(int argc, char** argv) {
    auto bank = std::make_unique<VoiceBank>();
    auto readBack = std::make_unique<VoiceBank>();
    std::mt19937 random(42);
    for (std::uint8_t& byte : bank->image) {
        byte = static_cast<std::uint8_t>(random());
    }
    Unpaced(*bank, *readBack);
    if (argc > 1 && std::strcmp(argv[1], "--unpaced-only") == 0) {
        return 0;
    }
    Paced(*bank);
    return 0;
}
