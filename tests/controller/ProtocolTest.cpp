// The controller protocol over a real port against the controller emulator.
#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "RecordingView.h"
#include "controller/ControllerLine.h"
#include "controller/ControllerProtocol.h"
#include "emulator/ControllerEmulator.h"
#include "emulator/PatientLine.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

namespace {

using emulator::ControllerEmulator;
using emulator::Fault;
using emulator::FaultKind;
using emulator::Stage;

constexpr int kBlocks = 2249;
constexpr std::size_t kLastBlockOffset = 539520;
const std::string kTransferError = "Ошибка передачи данных";
const std::string kCancelled = "Передача данных прервана пользователем";

void Randomize(std::span<std::uint8_t> bytes, unsigned seed) {
    std::mt19937 random(seed);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<std::uint8_t>(random()); });
}

std::vector<std::uint8_t> Memory(const ControllerEmulator& controller) {
    std::vector<std::uint8_t> memory(kImageSize);
    controller.ReadMemory(0, memory);
    return memory;
}

std::vector<std::uint8_t> Bytes(std::span<const std::uint8_t> bytes) {
    return {bytes.begin(), bytes.end()};
}

class Protocol : public ::testing::Test {
protected:
    // The port as the main window sets it up, with time for an emulator that a busy machine starves:
    // the tests count attempts, and a late answer would be counted as a missing one.
    void SetUp() override {
        SetUpControllerLine(port);
        GiveTheEmulatorTime(port);
        port.SetPort(controller.SlavePath());
        port.Open();
    }

    void ExpectFailure(std::int32_t result, const std::string& caption) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(view.Caption(), caption);
        EXPECT_EQ(view.color, TColor::clRed);
    }

    // Random bytes in the whole of the controller's memory; returns them.
    std::vector<std::uint8_t> ControllerHoldsRandomBytes(unsigned seed) {
        std::vector<std::uint8_t> memory(kImageSize);
        Randomize(memory, seed);
        controller.WriteMemory(0, memory);
        return memory;
    }

    // Identification and programming-mode command, as every transfer begins.
    void Begin() {
        ASSERT_EQ(protocol.Identify(), 0);
        protocol.EnterProgrammingMode();
    }

    ControllerEmulator controller;
    TComPort port;
    RecordingView view;
    ControllerProtocol protocol{port, view};
    std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
};

// --- identification ---

TEST_F(Protocol, IdentifiesEverySupportedVersionWithTheFiveByteRequest) {
    for (const char* version : {"QM.07.03", "QM.07.04", "ZR.07.01", "ZR.07.02"}) {
        controller.SetFirmware(version);
        view.statusPanel2.clear();
        EXPECT_EQ(protocol.Identify(), 0) << version;
        EXPECT_EQ(view.statusPanel2, (std::vector<std::string>{" ", version}));
    }
    EXPECT_TRUE(view.captions.empty());
    EXPECT_EQ(view.color, TColor::clWindowText);
    std::vector<std::uint8_t> requests;
    for (int i = 0; i < 4; ++i) {
        for (const char c : std::string_view("21DF\r")) // byte by byte: GCC 12 -O3 misreads a range insert
            requests.push_back(static_cast<std::uint8_t>(c));
    }
    EXPECT_EQ(controller.Transcript(), requests);
    EXPECT_EQ(controller.SpeedsSeen(Stage::Identification), std::vector<int>{4800});
    EXPECT_EQ(port.BaudRate(), br4800);
    EXPECT_TRUE(controller.Violations().empty());
}

TEST_F(Protocol, RejectsAVersionThatDiffersOnlyInLetterCase) {
    controller.SetFirmware("qm.07.03");
    ExpectFailure(protocol.Identify(), "Контроллер версии qm.07.03 не поддерживается");
    EXPECT_EQ(view.statusPanel2.back(), "qm.07.03");
    EXPECT_EQ(controller.Count().identifications, 1);
}

TEST_F(Protocol, ShowsAVersionInTheControllersCodePage) {
    controller.SetFirmware("\xC2\xE5\xF0.7.03"); // "Вер.7.03" in code page 1251
    ExpectFailure(protocol.Identify(), "Контроллер версии Вер.7.03 не поддерживается");
    EXPECT_EQ(view.statusPanel2.back(), "Вер.7.03");
}

// A complete answer that fails a test ends the identification at once; the status panel keeps " ".
TEST_F(Protocol, DoesNotRetryACompleteWrongIdentificationAnswer) {
    int requests = 0;
    for (FaultKind kind : {FaultKind::LowercaseHex, FaultKind::WrongChecksum, FaultKind::WrongEcho}) {
        controller.ClearFaults();
        controller.InjectFault({.stage = Stage::Identification, .kind = kind});
        view.statusPanel2.clear();
        ExpectFailure(protocol.Identify(), "Контроллер не найден на " + controller.SlavePath());
        EXPECT_EQ(view.statusPanel2, std::vector<std::string>{" "});
        EXPECT_EQ(controller.Count().identifications, ++requests) << static_cast<int>(kind);
    }
}

TEST_F(Protocol, RetriesAShortOrMissingIdentificationAnswerUpToThreeTimes) {
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::ShortAnswer, .attempt = 1});
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::NoAnswer, .attempt = 2});
    EXPECT_EQ(protocol.Identify(), 0);
    EXPECT_EQ(controller.Count().identifications, 3);

    controller.ClearFaults();
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::ShortAnswer});
    ExpectFailure(protocol.Identify(), "Контроллер не найден на " + controller.SlavePath());
    EXPECT_EQ(controller.Count().identifications, 6);
    EXPECT_EQ(view.statusPanel2.back(), " ");
}

// --- whole images ---

TEST_F(Protocol, WritesAndReadsBackARandomImage) {
    Randomize(bank->image, 1);
    Begin();
    ASSERT_EQ(protocol.WriteImage(bank->image), 0);
    EXPECT_EQ(Memory(controller), Bytes(bank->image));
    EXPECT_EQ(view.progressMax, static_cast<std::int32_t>(kImageSize));
    EXPECT_EQ(view.progress, static_cast<std::int32_t>(kImageSize));
    EXPECT_EQ(view.progressSteps, 1 + kBlocks);
    EXPECT_EQ(port.BaudRate(), br115200);

    // The first frames on the line, byte for byte, and the 134-byte last write request at 0x084380.
    const std::vector<std::uint8_t> sent = controller.Transcript();
    const std::string commands = "21DF\rFPRG\r";
    ASSERT_GE(sent.size(), commands.size() + 246);
    EXPECT_EQ(std::string(sent.begin(), sent.begin() + 10), commands);
    std::vector<std::uint8_t> first{0x12, 0x00, 0x08, 0x00, 0xF0};
    first.insert(first.end(), bank->image.begin(), bank->image.begin() + 240);
    first.push_back(ControllerProtocol::Checksum(first));
    EXPECT_EQ(std::vector<std::uint8_t>(sent.begin() + 10, sent.begin() + 256), first);
    std::vector<std::uint8_t> last{0x12, 0x80, 0x43, 0x08, 0x80};
    last.insert(last.end(), bank->image.begin() + kLastBlockOffset, bank->image.end());
    last.push_back(ControllerProtocol::Checksum(last));
    ASSERT_EQ(last.size(), 134u);
    EXPECT_EQ(std::vector<std::uint8_t>(sent.end() - 134, sent.end()), last);
    EXPECT_EQ(sent.size(), 10u + 553142u);

    // Read-back right after the write, with no new identification.
    auto readBack = std::make_unique<VoiceBank>();
    ASSERT_EQ(protocol.ReadImage(readBack->image), 0);
    EXPECT_TRUE(VoiceBank::CompareImages(*bank, *readBack));
    EXPECT_EQ(view.progress, static_cast<std::int32_t>(kImageSize));
    EXPECT_TRUE(view.captions.empty());

    const emulator::Counters count = controller.Count();
    EXPECT_EQ(count.identifications, 1);
    EXPECT_EQ(count.programmingCommands, 1);
    EXPECT_EQ(count.writeBlocks, kBlocks);
    EXPECT_EQ(count.readBlocks, kBlocks);
    EXPECT_EQ(controller.SpeedsSeen(Stage::ProgrammingCommand), std::vector<int>{4800});
    EXPECT_EQ(controller.SpeedsSeen(Stage::WriteBlock), std::vector<int>{115200});
    EXPECT_EQ(controller.SpeedsSeen(Stage::ReadBlock), std::vector<int>{115200});
    EXPECT_TRUE(controller.Violations().empty());
}

TEST_F(Protocol, ReadsTheControllersMemory) {
    const std::vector<std::uint8_t> memory = ControllerHoldsRandomBytes(2);
    Begin();
    ASSERT_EQ(protocol.ReadImage(bank->image), 0);
    EXPECT_EQ(Bytes(bank->image), memory);
    EXPECT_EQ(view.progress, static_cast<std::int32_t>(kImageSize));
    EXPECT_TRUE(controller.Violations().empty());
}

// --- what is tried again and what ends a transfer at once ---

TEST_F(Protocol, RetriesAMissingOrShortAcknowledgementUpToFiveTimes) {
    Randomize(bank->image, 3);
    controller.InjectFault(
        {.stage = Stage::WriteBlock, .kind = FaultKind::NoAnswer, .block = 4, .attempt = 1});
    controller.InjectFault(
        {.stage = Stage::WriteBlock, .kind = FaultKind::ShortAnswer, .block = 4, .attempt = 2});
    controller.InjectFault(
        {.stage = Stage::WriteBlock, .kind = FaultKind::NoAnswer, .block = 4, .attempt = 3});
    controller.InjectFault(
        {.stage = Stage::WriteBlock, .kind = FaultKind::ShortAnswer, .block = 4, .attempt = 4});
    Begin();
    ASSERT_EQ(protocol.WriteImage(bank->image), 0);
    EXPECT_EQ(controller.Count().writeBlocks, kBlocks + 4);
    EXPECT_EQ(Memory(controller), Bytes(bank->image));
}

TEST_F(Protocol, GivesUpAWriteBlockAfterFiveAttempts) {
    Randomize(bank->image, 4);
    controller.InjectFault({.stage = Stage::WriteBlock, .kind = FaultKind::ShortAnswer, .block = 3});
    Begin();
    ExpectFailure(protocol.WriteImage(bank->image), kTransferError);
    EXPECT_EQ(controller.Count().writeBlocks, 3 + 5);
    EXPECT_EQ(view.progress, 3 * 240);
}

TEST_F(Protocol, GivesUpAReadBlockAfterThreeAttemptsKeepingTheBlocksRead) {
    const std::vector<std::uint8_t> memory = ControllerHoldsRandomBytes(5);
    std::fill(bank->image.begin(), bank->image.end(), 0xA5);
    controller.InjectFault({.stage = Stage::ReadBlock, .kind = FaultKind::NoAnswer, .block = 2});
    Begin();
    ExpectFailure(protocol.ReadImage(bank->image), kTransferError);
    EXPECT_EQ(controller.Count().readBlocks, 2 + 3);
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 480, bank->image.begin()));
    EXPECT_TRUE(
        std::all_of(bank->image.begin() + 480, bank->image.end(), [](std::uint8_t b) { return b == 0xA5; }));
}

struct WrongAnswer {
    Stage stage;
    FaultKind kind;
};

class ProtocolWrongAnswer : public Protocol, public ::testing::WithParamInterface<WrongAnswer> {};

// A complete answer with a wrong echo or status ends the transfer without another attempt.
TEST_P(ProtocolWrongAnswer, EndsTheTransferAtOnce) {
    const WrongAnswer wrong = GetParam();
    controller.InjectFault({.stage = wrong.stage, .kind = wrong.kind, .block = 7});
    Begin();
    const std::int32_t result =
        wrong.stage == Stage::WriteBlock ? protocol.WriteImage(bank->image) : protocol.ReadImage(bank->image);
    ExpectFailure(result, kTransferError);
    const emulator::Counters count = controller.Count();
    EXPECT_EQ(wrong.stage == Stage::WriteBlock ? count.writeBlocks : count.readBlocks, 8);
    EXPECT_EQ(view.progress, 7 * 240);
}

std::string WrongAnswerName(const ::testing::TestParamInfo<WrongAnswer>& info) {
    const char* stage = info.param.stage == Stage::WriteBlock ? "Write" : "Read";
    switch (info.param.kind) {
    case FaultKind::WrongEcho:
        return std::string(stage) + "WrongEcho";
    default:
        return std::string(stage) + "Status1";
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ProtocolWrongAnswer,
                         ::testing::Values(WrongAnswer{Stage::WriteBlock, FaultKind::WrongEcho},
                                           WrongAnswer{Stage::WriteBlock, FaultKind::Status1},
                                           WrongAnswer{Stage::ReadBlock, FaultKind::WrongEcho}),
                         WrongAnswerName);

// A wrong checksum is line noise: tried again like a missing answer, within the same attempt limit.
TEST_F(Protocol, AWrongChecksumIsTriedAgainLikeAMissingAnswer) {
    Randomize(bank->image, 8);
    controller.WriteMemory(0, bank->image);
    for (const auto& [stage, attempts] : {std::pair{Stage::WriteBlock, 5}, std::pair{Stage::ReadBlock, 3}}) {
        SCOPED_TRACE(attempts);
        controller.ClearFaults();
        controller.InjectFault({.stage = stage, .kind = FaultKind::WrongChecksum, .block = 7, .attempt = 1});
        controller.InjectFault({.stage = stage, .kind = FaultKind::WrongChecksum, .block = 9});
        Begin();
        const auto run = [&] {
            return stage == Stage::WriteBlock ? protocol.WriteImage(bank->image)
                                              : protocol.ReadImage(bank->image);
        };
        ExpectFailure(run(), kTransferError);
        EXPECT_EQ(view.progress, 9 * 240);
        const emulator::Counters count = controller.Count();
        EXPECT_EQ(stage == Stage::WriteBlock ? count.writeBlocks : count.readBlocks, 9 + 1 + attempts);
    }
}

// An answer that comes after its time-out meets the retry; the retry's own answer, a second
// acknowledgement of the same block that the controller sends a little later, then arrives while the
// next block is read, and is dropped. The last block's answer is shorter than the one before it.
TEST_F(Protocol, ALateAnswerToARetriedBlockIsNotTakenForTheNextBlocksAnswer) {
    Randomize(bank->image, 9);
    controller.WriteMemory(0, bank->image);
    const auto pastTheTimeOut = [this](int answerLength) {
        return port.Timeouts().ReadTotalMultiplier() * answerLength + port.Timeouts().ReadTotalConstant() +
               200;
    };
    for (const auto& [stage, block, delayMs] :
         {std::tuple{Stage::WriteBlock, 4, pastTheTimeOut(7)},
          std::tuple{Stage::ReadBlock, kBlocks - 2, pastTheTimeOut(246)}}) {
        SCOPED_TRACE(block);
        controller.ClearFaults();
        controller.InjectFault(
            {.stage = stage, .kind = FaultKind::Delay, .block = block, .attempt = 1, .delayMs = delayMs});
        controller.InjectFault(
            {.stage = stage, .kind = FaultKind::Delay, .block = block, .attempt = 2, .delayMs = 50});
        Begin();
        if (stage == Stage::WriteBlock) {
            EXPECT_EQ(protocol.WriteImage(bank->image), 0) << view.Caption();
            EXPECT_EQ(Memory(controller), Bytes(bank->image));
        } else {
            const auto read = std::make_unique<VoiceBank>();
            EXPECT_EQ(protocol.ReadImage(read->image), 0) << view.Caption();
            EXPECT_EQ(Bytes(read->image), Bytes(bank->image));
        }
    }
}

// A wrong data byte under a right checksum cannot be told from the controller's data: only the
// comparison after the read finds it.
TEST_F(Protocol, TakesAWrongDataByteThatItsChecksumCovers) {
    controller.InjectFault({.stage = Stage::ReadBlock, .kind = FaultKind::WrongDataByte, .block = 9});
    Begin();
    ASSERT_EQ(protocol.ReadImage(bank->image), 0);
    const std::vector<std::uint8_t> memory = Memory(controller);
    EXPECT_NE(bank->image[9 * 240], memory[9 * 240]);
    EXPECT_TRUE(std::equal(memory.begin() + 9 * 240 + 1, memory.end(), bank->image.begin() + 9 * 240 + 1));
}

// --- cancel ---

TEST_F(Protocol, NoticesACancelOnlyAfterTheFirstCompletedBlock) {
    view.cancel = true; // pressed during the identification
    Randomize(bank->image, 6);
    Begin();
    EXPECT_TRUE(view.captions.empty());
    ExpectFailure(protocol.WriteImage(bank->image), kCancelled);
    EXPECT_EQ(controller.Count().writeBlocks, 1);
    EXPECT_EQ(view.progress, 240);
    const std::vector<std::uint8_t> memory = Memory(controller);
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 240, bank->image.begin()));
    EXPECT_EQ(memory[240], 0xFF);

    auto readBank = std::make_unique<VoiceBank>();
    ExpectFailure(protocol.ReadImage(readBank->image), kCancelled);
    EXPECT_EQ(controller.Count().readBlocks, 1);
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 240, readBank->image.begin()));
    EXPECT_EQ(readBank->image[240], 0);
}

// The controller is left in programming mode at 115200 baud; the next transfer starts over at 4800.
TEST_F(Protocol, StartsAgainWithTheIdentificationAfterAnInterruptedTransfer) {
    view.cancel = true;
    Begin();
    ExpectFailure(protocol.WriteImage(bank->image), kCancelled);
    EXPECT_EQ(port.BaudRate(), br115200);
    view.cancel = false;
    Begin();
    EXPECT_EQ(port.BaudRate(), br4800);
    EXPECT_EQ(protocol.ReadImage(bank->image), 0);
    EXPECT_EQ(controller.SpeedsSeen(Stage::Identification), std::vector<int>{4800});
    EXPECT_EQ(controller.SpeedsSeen(Stage::ProgrammingCommand), std::vector<int>{4800});
    EXPECT_TRUE(controller.Violations().empty());
}

// --- port errors ---

TEST_F(Protocol, APortErrorDuringAWriteLeavesTheControllerWithTheBlocksAcknowledged) {
    Randomize(bank->image, 7);
    controller.InjectFault({.stage = Stage::WriteBlock, .kind = FaultKind::HangUp, .block = 10});
    Begin();
    EXPECT_THROW(protocol.WriteImage(bank->image), EComPort);
    const std::vector<std::uint8_t> memory = Memory(controller);
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 2400, bank->image.begin()));
    EXPECT_TRUE(std::all_of(memory.begin() + 2400, memory.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(view.progress, 2400);
    EXPECT_TRUE(view.captions.empty()); // the worker turns the error into its message
}

TEST_F(Protocol, APortErrorDuringAReadLeavesTheImageWithTheBlocksCompleted) {
    const std::vector<std::uint8_t> memory = ControllerHoldsRandomBytes(8);
    std::fill(bank->image.begin(), bank->image.end(), 0x3C);
    controller.InjectFault({.stage = Stage::ReadBlock, .kind = FaultKind::HangUp, .block = 10});
    Begin();
    EXPECT_THROW(protocol.ReadImage(bank->image), EComPort);
    EXPECT_TRUE(std::equal(memory.begin(), memory.begin() + 2400, bank->image.begin()));
    EXPECT_TRUE(
        std::all_of(bank->image.begin() + 2400, bank->image.end(), [](std::uint8_t b) { return b == 0x3C; }));
}

TEST_F(Protocol, APortErrorDuringIdentificationPropagates) {
    controller.InjectFault({.stage = Stage::Identification, .kind = FaultKind::HangUp});
    EXPECT_THROW(protocol.Identify(), EComPort);
    port.Close();
    EXPECT_THROW(protocol.Identify(), EComPort);
}

} // namespace
