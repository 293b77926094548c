// voice-programmer-cli end to end: the program itself, its files, and controller emulators on
// pseudo-terminals as its ports.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "CliProcess.h"
#include "emulator/ControllerEmulator.h"
#include "voice/BankLock.h"
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"
#include "wav/WavBuilder.h"

namespace {

namespace fs = std::filesystem;
using emulator::ControllerEmulator;
using emulator::Fault;
using emulator::FaultKind;
using emulator::Stage;

constexpr std::size_t kBlock = 240;
// The bank of every test: 10 s in event 3 and 2 s in event 7, 48,000 bytes after the directory.
constexpr std::size_t kUsedEnd = 300 + 40000 + 8000;
constexpr std::size_t kUsedBlocks = (kUsedEnd + kBlock - 1) / kBlock;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

template <typename Condition>
bool WaitUntil(Condition condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class Cli : public ::testing::Test {
protected:
    Cli() : folder(fs::temp_directory_path() / ("vp-cli-" + std::to_string(getpid()))) {
        fs::create_directories(folder);
        wavtest::WriteFile(folder / "ten.wav", wavtest::CanonicalWav(wavtest::Signal(80000)));
        wavtest::WriteFile(folder / "two.wav", wavtest::CanonicalWav(wavtest::Signal(16000, 2)));
    }
    ~Cli() override { fs::remove_all(folder); }

    CliResult Run(const std::vector<std::string>& arguments) { return RunCli(folder, arguments); }

    // bank.vce with the test's phrases; returns its image.
    VoiceImage MakeBank() {
        EXPECT_EQ(Run({"import", "bank.vce", "3", "ten.wav"}).code, 0);
        EXPECT_EQ(Run({"import", "bank.vce", "7", "two.wav"}).code, 0);
        return ReadBank("bank.vce");
    }

    VoiceImage ReadBank(const std::string& name) {
        auto image = std::make_unique<VoiceImage>();
        bool fullLayout = true;
        EXPECT_EQ(ReadVoiceFile(folder / name, *image, fullLayout), kVoiceFileOk);
        return *image;
    }

    ControllerEmulator& AddController(const emulator::Options& options = {}) {
        controllers.push_back(std::make_unique<ControllerEmulator>(options));
        return *controllers.back();
    }

    std::vector<std::string> WithPorts(std::vector<std::string> arguments) const {
        for (const auto& controller : controllers) {
            arguments.push_back("--port");
            arguments.push_back(controller->SlavePath());
        }
        return arguments;
    }

    fs::path folder;
    std::vector<std::unique_ptr<ControllerEmulator>> controllers;
};

std::vector<std::uint8_t> Memory(const ControllerEmulator& controller) {
    std::vector<std::uint8_t> memory(kImageSize);
    controller.ReadMemory(0, memory);
    return memory;
}

// The blocks of the controller's memory that do not hold what they should: the image's bytes in the
// first `written` blocks, the untouched fill after them.
std::vector<std::size_t> WrongBlocks(const ControllerEmulator& controller, const VoiceImage& image,
                                     std::size_t written, std::uint8_t fill = 0xFF) {
    const std::vector<std::uint8_t> memory = Memory(controller);
    std::vector<std::size_t> wrong;
    for (std::size_t block = 0; block * kBlock < kImageSize; ++block) {
        const std::size_t begin = block * kBlock;
        const std::size_t end = std::min(begin + kBlock, kImageSize);
        const bool right =
            block < written ? std::equal(memory.begin() + begin, memory.begin() + end, image.begin() + begin)
                            : std::all_of(memory.begin() + begin, memory.begin() + end,
                                          [&](std::uint8_t byte) { return byte == fill; });
        if (!right)
            wrong.push_back(block);
    }
    return wrong;
}

TEST_F(Cli, AMistakenCallExitsWith2AndPointsToTheHelp) {
    const std::vector<std::vector<std::string>> calls{
        {},
        {"frobnicate"},
        {"info"},
        {"info", "a.vce", "b.vce"},
        {"info", "a.vce", "--bogus"},
        {"import", "a.vce", "43", "ten.wav"},
        {"delete", "a.vce", "x"},
        {"program", "a.vce"},
        {"read", "a.vce", "--port", "A", "--port", "B"},
        {"compare", "a.vce", "--port", "A", "--no-verify"},
        {"identify", "--port", "A", "--port", "A"},
        {"ports", "--port", "A"},
    };
    for (const auto& call : calls) {
        const CliResult result = Run(call);
        EXPECT_EQ(result.code, 2) << result.err;
        EXPECT_TRUE(Contains(result.err, "voice-programmer-cli --help")) << result.err;
    }
    EXPECT_FALSE(fs::exists(folder / "a.vce"));
    const CliResult help = Run({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(Contains(help.out, "Коды завершения"));
}

TEST_F(Cli, BankCommandsTellTheWindowsMessagesAndExitCodes) {
    wavtest::WriteFile(folder / "notes.txt", wavtest::Bytes(100, 'x'));
    wavtest::WriteFile(folder / "long.wav", wavtest::CanonicalWav(wavtest::Signal(1000000)));
    wavtest::WriteFile(
        folder / "stereo.wav",
        wavtest::WavBuilder().Fmt({1, 2, 8000, 32000, 4, 16}).Data(wavtest::Signal(100)).Build());
    struct Step {
        std::vector<std::string> arguments;
        int code;
        std::string out; // a part of stdout or stderr
    };
    const std::vector<Step> steps{
        {{"import", "bank.vce", "3", "ten.wav"}, 0, " 3       10 Сек.  Тревога по входу 1\nЗанято: 10 Сек."},
        {{"import", "bank.vce", "7", "two.wav"}, 0, "Занято: 12 Сек.    Свободно: 122,8 Сек."},
        {{"import", "bank.vce", "5", "stereo.wav"},
         0,
         "stereo.wav: WAV, 8000 Гц, 16 бит, стерео, преобразован"},
        {{"delete", "bank.vce", "5"}, 0, " 5        0 Сек.  Тревога по входу 3\nЗанято: 12 Сек."},
        {{"import", "bank.vce", "5", "notes.txt"}, 1, "notes.txt: Неверный формат файла"},
        {{"import", "bank.vce", "5", "missing.wav"},
         1,
         "missing.wav: Невозможно открыть файл: файл не найден (ENOENT)"},
        {{"info", "bank.vce"}, 0, " 5        0 Сек.  Тревога по входу 3\n 6"},
        {{"info", "missing.vce"}, 1, "missing.vce: Невозможно открыть файл: файл не найден (ENOENT)"},
        {{"info", "."}, 1, ".: Невозможно открыть файл: это папка, а не файл (EISDIR)"},
        {{"delete", "bank.vce", "7"}, 0, " 7        0 Сек.  Тревога по входу 5\nЗанято: 10 Сек."},
        {{"import", "bank.vce", "9", "long.wav"}, 0, "Занято: 134,8 Сек.    Свободно: 0 Сек."},
        {{"delete", "missing.vce", "1"}, 1, "missing.vce: Невозможно открыть файл"},
    };
    for (const Step& step : steps) {
        const CliResult result = Run(step.arguments);
        EXPECT_EQ(result.code, step.code) << step.arguments[0] << " " << step.arguments[2] << result.err;
        EXPECT_TRUE(Contains(result.out + result.err, step.out)) << result.out << result.err;
    }
    // The cut recording is a warning on stderr, and the bank was saved with what fits.
    EXPECT_TRUE(Contains(Run({"import", "bank.vce", "9", "long.wav"}).err, "Фрагмент будет урезан."));
    EXPECT_FALSE(fs::exists(folder / "missing.vce"));
}

// Imports into one bank at once all keep their phrase: each waits for the one before; a bank held all the
// while is refused with the reason, and left as it was.
TEST_F(Cli, ImportsIntoOneBankAtOnceWaitTheirTurn) {
    MakeBank();
    std::vector<std::unique_ptr<CliProcess>> runs;
    for (const char* event : {"10", "11", "12"})
        runs.push_back(std::make_unique<CliProcess>(
            folder, std::vector<std::string>{"import", "bank.vce", event, "two.wav"}));
    for (const auto& run : runs)
        EXPECT_EQ(run->Wait().code, 0);
    auto bank = std::make_unique<VoiceBank>();
    bank->image = ReadBank("bank.vce");
    bank->UnpackImage(true);
    for (const std::uint8_t event : {3, 7, 10, 11, 12})
        EXPECT_GT(bank->Slot(event).count, 0u) << int(event);

    BankLock held;
    ASSERT_EQ(held.Lock(folder / "bank.vce", std::chrono::milliseconds(0)), BankLock::Result::Locked);
    const CliResult busy = Run({"import", "bank.vce", "13", "two.wav"});
    EXPECT_EQ(busy.code, 1);
    EXPECT_TRUE(Contains(busy.err, "bank.vce: файл занят другой программой")) << busy.err;
    EXPECT_TRUE(held.Unchanged());
}

// A folder written and read back gives the same voice file; a file that matches no event is named and
// makes the exit code 1; levelling keeps the bank's lengths.
TEST_F(Cli, FolderRoundTripAndLevel) {
    const std::vector<std::vector<std::string>> setup{{"import", "bank.vce", "3", "ten.wav"},
                                                      {"import", "bank.vce", "7", "two.wav"},
                                                      {"export-folder", "bank.vce", "phrases"}};
    for (const auto& call : setup)
        ASSERT_EQ(Run(call).code, 0) << call[0];
    EXPECT_TRUE(fs::exists(folder / "phrases" / fs::path(u8"03 Тревога по входу 1.wav")));
    wavtest::WriteFile(folder / "phrases" / "intro.wav", wavtest::CanonicalWav(wavtest::Signal(10)));
    const CliResult imported = Run({"import-folder", "copy.vce", "phrases"});
    EXPECT_EQ(imported.code, 1);
    EXPECT_TRUE(Contains(imported.out, "Загружено фраз: 2\n  пропущен intro.wav")) << imported.out;
    const auto bytes = [&](const char* name) {
        std::ifstream in(folder / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_EQ(bytes("copy.vce"), bytes("bank.vce"));
    EXPECT_EQ(Run({"import-folder", "copy.vce", "missing"}).code, 1);
    const CliResult level = Run({"level", "bank.vce"});
    EXPECT_EQ(level.code, 0) << level.err;
    EXPECT_TRUE(Contains(level.out, "Выровнено фраз: 2\nЗанято: 12 Сек.")) << level.out;
}

TEST_F(Cli, JsonDocumentsForScripts) {
    MakeBank();
    const CliResult info = Run({"info", "bank.vce", "--json"});
    EXPECT_EQ(info.code, 0);
    EXPECT_TRUE(Contains(info.out, R"({
  "command": "info",
  "file": "bank.vce",
  "events": [
    {
      "event": 0,
      "name": "Переход в режим \"ОХРАНА\"",
      "samples": 0,
      "seconds": 0
    },)"))
        << info.out;
    EXPECT_TRUE(Contains(info.out, R"(  "usedSamples": 96000,
  "usedSeconds": 12,
  "freeSamples": 982696,
  "freeSeconds": 122.837
}
)")) << info.out;
    const CliResult failed = Run({"info", "missing.vce", "--json"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out, "{\n  \"command\": \"info\",\n  \"file\": \"missing.vce\",\n  \"error\": "
                          "\"Невозможно открыть файл: файл не найден (ENOENT)\"\n}\n");
    EXPECT_TRUE(Contains(Run({"ports", "--json"}).out, "\"ports\": ["));
}

// One valid UTF-8 document on every path: a mistaken call, a name that is not UTF-8, a save's reason.
TEST_F(Cli, JsonFailuresNameTheFileAndTheReasonInValidUtf8) {
    const CliResult usage = Run({"info", "--bogus", "--json"});
    EXPECT_EQ(usage.code, 2);
    EXPECT_TRUE(Contains(usage.out, "{\n  \"command\": \"info\",\n  \"error\": \"")) << usage.out;
    const CliResult notUtf8 = Run({"info", "bad\xff\xc3.vce", "--json"});
    EXPECT_EQ(notUtf8.out,
              "{\n  \"command\": \"info\",\n  \"file\": \"bad\\ufffd\\ufffd.vce\",\n  \"error\": "
              "\"Невозможно открыть файл: файл не найден (ENOENT)\"\n}\n");
    fs::create_symlink("no-such-folder/bank.vce", folder / "link.vce");
    const CliResult unsaved = Run({"import", "link.vce", "3", "two.wav", "--json"});
    EXPECT_EQ(unsaved.code, 1);
    EXPECT_TRUE(Contains(unsaved.out, "\"file\": \"link.vce\",\n  \"error\": \"Невозможно сохранить файл: "
                                      "папка не существует (ENOENT)\""))
        << unsaved.out;
}

TEST_F(Cli, IdentifyNamesEachPortsFirmware) {
    AddController();
    AddController({.firmware = "ZR.07.09"});
    const CliResult result = Run(WithPorts({"identify", "--json"}));
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(Contains(result.out, R"("outcome": "succeeded",
      "message": "Идентификация...",
      "firmware": "QM.07.03",)"))
        << result.out;
    EXPECT_TRUE(Contains(result.out, R"("outcome": "failed",
      "message": "Контроллер версии ZR.07.09 не поддерживается",
      "firmware": "ZR.07.09",)"))
        << result.out;
    controllers.pop_back();
    EXPECT_EQ(Run(WithPorts({"identify"})).code, 0);
}

TEST_F(Cli, ThreePortsAtOnceAndOneFailingLeavesTheOthersProgrammed) {
    const VoiceImage image = MakeBank();
    AddController();
    AddController();
    AddController().InjectFault({Stage::WriteBlock, FaultKind::Status1, 100});
    const CliResult result = Run(WithPorts({"program", "bank.vce"}));
    EXPECT_EQ(result.code, 1);
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(WrongBlocks(*controllers[i], image, kImageSize).empty());
        EXPECT_TRUE(
            Contains(result.out, controllers[i]->SlavePath() + ": Программирование завершено успешно ("));
    }
    EXPECT_TRUE(Contains(result.out, controllers[2]->SlavePath() + ": Ошибка передачи данных ("));
    EXPECT_EQ(controllers[2]->Count().writeBlocks, 101);

    controllers.pop_back();
    EXPECT_EQ(Run(WithPorts({"program", "bank.vce", "--no-verify"})).code, 0);
    EXPECT_EQ(controllers[0]->Count().readBlocks, 2249); // the read-back of the first run only
}

TEST_F(Cli, APortErrorIsOneSentenceWithTheSystemsNameOfTheError) {
    const CliResult result = Run({"identify", "--port", "/dev/vp-no-such-port"});
    EXPECT_EQ(result.code, 1);
    EXPECT_TRUE(Contains(result.out, "/dev/vp-no-such-port: Не удалось открыть порт /dev/vp-no-such-port. "
                                     "Устройство /dev/vp-no-such-port не найдено. Проверьте, что адаптер "
                                     "подключён к компьютеру. (ENOENT) ("))
        << result.out;
}

TEST_F(Cli, CompareAndReadTellWhatTheControllerHolds) {
    const VoiceImage image = MakeBank();
    ControllerEmulator& controller = AddController();
    controller.WriteMemory(0, image);
    EXPECT_EQ(Run(WithPorts({"compare", "bank.vce"})).code, 0);

    const std::uint8_t changed = image[300 + 40000 + 100] ^ 1; // in event 7's phrase
    controller.WriteMemory(300 + 40000 + 100, {&changed, 1});
    const CliResult different = Run(WithPorts({"compare", "bank.vce", "--json"}));
    EXPECT_EQ(different.code, 3);
    EXPECT_TRUE(Contains(different.out, R"("outcome": "different",)")) << different.out;
    EXPECT_TRUE(Contains(different.out, R"(\nОтличаются: Тревога по входу 5",)")) << different.out;
    EXPECT_TRUE(Contains(different.out, R"("differingEvents": [
        {
          "event": 7,
          "name": "Тревога по входу 5"
        }
      ])"))
        << different.out;
    EXPECT_TRUE(Contains(Run(WithPorts({"compare", "bank.vce"})).out,
                         "  Отличаются события:\n    7  Тревога по входу 5\n"));

    EXPECT_EQ(Run(WithPorts({"read", "copy.vce"})).code, 0);
    const VoiceImage copy = ReadBank("copy.vce");
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), Memory(controller).begin()));
}

TEST_F(Cli, UsedOnlyProgramsTheUsedBlocksAndNothingAfter) {
    const VoiceImage image = MakeBank();
    ControllerEmulator& controller = AddController();
    EXPECT_EQ(Run(WithPorts({"program", "bank.vce", "--used-only"})).code, 0);
    EXPECT_EQ(WrongBlocks(controller, image, kUsedBlocks), std::vector<std::size_t>{});
    EXPECT_EQ(controller.Count().writeBlocks, static_cast<int>(kUsedBlocks));
    EXPECT_EQ(controller.Count().readBlocks, static_cast<int>(kUsedBlocks));
}

TEST_F(Cli, UsedOnlyReadTakesTheEndFromTheControllersDirectory) {
    const VoiceImage image = MakeBank();
    ControllerEmulator& controller = AddController({.memoryFill = 0xAA}); // stale data after the phrases
    controller.WriteMemory(0, std::span(image).first(kUsedEnd));
    const CliResult read = Run(WithPorts({"read", "copy.vce", "--used-only"}));
    EXPECT_EQ(read.code, 0) << read.out << read.err;
    EXPECT_EQ(controller.Count().readBlocks, static_cast<int>(kUsedBlocks));
    EXPECT_TRUE(ReadBank("copy.vce") == image);

    BankLock held; // a run changing the bank: the read does not write over it
    ASSERT_EQ(held.Lock(folder / "bank.vce", std::chrono::milliseconds(0)), BankLock::Result::Locked);
    const CliResult busy = Run(WithPorts({"read", "bank.vce", "--used-only"}));
    EXPECT_NE(busy.code, 0);
    EXPECT_TRUE(Contains(busy.out + busy.err, "файл занят другой программой")) << busy.out << busy.err;
    EXPECT_TRUE(held.Unchanged());
}

TEST_F(Cli, UsedOnlyCompareStopsAtTheFirstDifference) {
    const VoiceImage image = MakeBank();
    ControllerEmulator& controller = AddController({.memoryFill = 0xAA});
    controller.WriteMemory(0, std::span(image).first(kUsedEnd));
    EXPECT_EQ(Run(WithPorts({"compare", "bank.vce", "--used-only"})).code, 0);
    EXPECT_EQ(controller.Count().readBlocks, static_cast<int>(kUsedBlocks));

    const std::size_t changedBlock = 100; // in event 3's phrase
    const std::uint8_t changed = image[changedBlock * kBlock] ^ 1;
    controller.WriteMemory(changedBlock * kBlock, {&changed, 1});
    CliResult result = Run(WithPorts({"compare", "bank.vce", "--used-only"}));
    EXPECT_EQ(result.code, 3);
    EXPECT_TRUE(Contains(result.out, "  Отличаются события:\n    3  Тревога по входу 1\n")) << result.out;
    EXPECT_EQ(controller.Count().readBlocks, static_cast<int>(kUsedBlocks + changedBlock + 1));

    const std::uint8_t longer = 0x41; // event 3's length in the directory
    controller.WriteMemory(3 * 6 + 3, {&longer, 1});
    result = Run(WithPorts({"compare", "bank.vce", "--used-only"}));
    EXPECT_EQ(result.code, 3);
    EXPECT_TRUE(Contains(result.out, "  Отличаются события:\n    3  Тревога по входу 1\n")) << result.out;
    // The directory's two blocks, read whole to name the events.
    EXPECT_EQ(controller.Count().readBlocks, static_cast<int>(kUsedBlocks + changedBlock + 3));
}

TEST_F(Cli, CtrlCStopsEveryPortAfterItsBlockAndExitsWith1) {
    MakeBank();
    for (int i = 0; i < 2; ++i)
        AddController().InjectFault(
            {Stage::WriteBlock, FaultKind::Delay, emulator::kAnyBlock, emulator::kEveryAttempt, 2});
    CliProcess cli(folder, WithPorts({"program", "bank.vce", "--json"}));
    ASSERT_TRUE(WaitUntil([&] {
        return controllers[0]->Count().writeBlocks >= 5 && controllers[1]->Count().writeBlocks >= 5;
    }));
    cli.Interrupt();
    const CliResult result = cli.Wait();
    EXPECT_EQ(result.code, 1);
    for (const auto& controller : controllers) {
        EXPECT_LT(controller->Count().writeBlocks, 2249);
        EXPECT_EQ(controller->Count().readBlocks, 0);
    }
    const std::string cancelled = R"("outcome": "cancelled",
      "message": "Передача данных прервана пользователем",)";
    const std::size_t first = result.out.find(cancelled);
    ASSERT_NE(first, std::string::npos) << result.out;
    EXPECT_NE(result.out.find(cancelled, first + 1), std::string::npos) << result.out;
}

} // namespace
