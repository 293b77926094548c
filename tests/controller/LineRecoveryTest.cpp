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

TEST(LineRecovery, TheNextTransferOpensAPortWhoseLineHungUpAgain) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("line-recovery-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path link = folder / "usb-adapter";
    auto unplugged = std::make_unique<ControllerEmulator>();
    fs::create_symlink(unplugged->SlavePath(), link);

    TComPort port;
    SetUpControllerLine(port);
    GiveTheEmulatorTime(port);
    port.SetPort(link.string());
    port.Open();
    const auto working = std::make_unique<VoiceBank>();
    const auto scratch = std::make_unique<VoiceBank>();
    RecordingView view;
    unplugged->InjectFault({emulator::Stage::ReadBlock, emulator::FaultKind::HangUp, 3});
    EXPECT_EQ(RunControllerTransfer(TransferMode::Read, port, {working->image, scratch->image}, view).outcome,
              TransferOutcome::PortFailed);
    EXPECT_TRUE(port.LineFailed());
    unplugged.reset();

    ControllerEmulator pluggedIn;
    fs::remove(link);
    fs::create_symlink(pluggedIn.SlavePath(), link);
    EXPECT_EQ(RunControllerTransfer(TransferMode::Read, port, {working->image, scratch->image}, view).outcome,
              TransferOutcome::Succeeded)
        << view.Caption();
    EXPECT_FALSE(port.LineFailed());
    EXPECT_EQ(pluggedIn.Count().readBlocks, 2249);
    port.Close();
    fs::remove_all(folder);
}

// Nobody noticed the hang-up: the port still holds the old device when the next transfer begins.
TEST(LineRecovery, ATransferOpensAgainALineThatWentAwayUnnoticedOnce) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("line-replug-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path link = folder / "usb-adapter";
    auto unplugged = std::make_unique<ControllerEmulator>();
    fs::create_symlink(unplugged->SlavePath(), link);

    TComPort port;
    SetUpControllerLine(port);
    GiveTheEmulatorTime(port);
    port.SetPort(link.string());
    port.Open();
    unplugged.reset();
    ControllerEmulator pluggedIn;
    fs::remove(link);
    fs::create_symlink(pluggedIn.SlavePath(), link);
    const auto working = std::make_unique<VoiceBank>();
    const auto scratch = std::make_unique<VoiceBank>();
    RecordingView view;
    EXPECT_EQ(RunControllerTransfer(TransferMode::Read, port, {working->image, scratch->image}, view).outcome,
              TransferOutcome::Succeeded)
        << view.Caption();
    EXPECT_EQ(pluggedIn.Count().identifications, 1);

    pluggedIn.Stop(); // and this time nothing is plugged in again: the reopen's failure is shown
    fs::remove(link);
    EXPECT_EQ(RunControllerTransfer(TransferMode::Read, port, {working->image, scratch->image}, view).outcome,
              TransferOutcome::PortFailed);
    EXPECT_NE(view.Caption().find("Ошибка передачи данных"), std::string::npos) << view.Caption();
    EXPECT_FALSE(port.Connected());
    fs::remove_all(folder);
}

} // namespace
