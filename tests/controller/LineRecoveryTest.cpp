// An adapter pulled out and plugged back in: its device node goes away and a new pseudo-terminal
// appears under the same name, a symbolic link as in /dev/serial/by-id.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>

#include "RecordingView.h"
#include "controller/ControllerLine.h"
#include "controller/ControllerTransfer.h"
#include "emulator/ControllerEmulator.h"
#include "emulator/PatientLine.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

namespace {

using emulator::ControllerEmulator;

namespace fs = std::filesystem;

// The adapter's stable name, a link re-pointed at each new device, and the port opened through it.
class LineRecovery : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(folder);
        Plug(*unplugged);
        SetUpControllerLine(port);
        GiveTheEmulatorTime(port);
        port.SetPort(link.string());
        port.Open();
    }
    void TearDown() override { fs::remove_all(folder); }

    void Plug(ControllerEmulator& device) {
        fs::remove(link);
        fs::create_symlink(device.SlavePath(), link);
    }
    TransferOutcome Read() {
        return RunControllerTransfer(TransferMode::Read, port, {working->image, scratch->image}, view)
            .outcome;
    }

    const fs::path folder = fs::temp_directory_path() / ("line-recovery-" + std::to_string(::getpid()));
    const fs::path link = folder / "usb-adapter";
    std::unique_ptr<ControllerEmulator> unplugged = std::make_unique<ControllerEmulator>();
    TComPort port;
    const std::unique_ptr<VoiceBank> working = std::make_unique<VoiceBank>();
    const std::unique_ptr<VoiceBank> scratch = std::make_unique<VoiceBank>();
    RecordingView view;
};

TEST_F(LineRecovery, TheNextTransferOpensAPortWhoseLineHungUpAgain) {
    unplugged->InjectFault({emulator::Stage::ReadBlock, emulator::FaultKind::HangUp, 3});
    EXPECT_EQ(Read(), TransferOutcome::PortFailed);
    EXPECT_TRUE(port.LineFailed());
    unplugged.reset();

    ControllerEmulator pluggedIn;
    Plug(pluggedIn);
    EXPECT_EQ(Read(), TransferOutcome::Succeeded) << view.Caption();
    EXPECT_FALSE(port.LineFailed());
    EXPECT_EQ(pluggedIn.Count().readBlocks, 2249);
    port.Close();
}

// Nobody noticed the hang-up: the port still holds the old device when the next transfer begins.
TEST_F(LineRecovery, ATransferOpensAgainALineThatWentAwayUnnoticedOnce) {
    unplugged.reset();
    ControllerEmulator pluggedIn;
    Plug(pluggedIn);
    EXPECT_EQ(Read(), TransferOutcome::Succeeded) << view.Caption();
    EXPECT_EQ(pluggedIn.Count().identifications, 1);

    pluggedIn.Stop(); // and this time nothing is plugged in again: the reopen's failure is shown
    fs::remove(link);
    EXPECT_EQ(Read(), TransferOutcome::PortFailed);
    EXPECT_NE(view.Caption().find("Ошибка передачи данных"), std::string::npos) << view.Caption();
    EXPECT_FALSE(port.Connected());
}

} // namespace
