#include "voice/PhraseFolder.h"
#include "voice/EventNames.h"
#include "voice/WavImport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path U8(const std::string& text) {
    return std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size());
}

class SilentReporter final : public ImportQuestions {
public:
    void Report(const ImportMessage&) override { ++messages; }
    int messages = 0;
};

TEST(PhraseFolder, NamesCarryTheNumberAndTheEventWithoutWhatWindowsForbids) {
    EXPECT_EQ(PhraseFileName(3), "03 Тревога по входу 1.wav");
    EXPECT_EQ(PhraseFileName(0), "00 Переход в режим 'ОХРАНА'.wav");
    EXPECT_EQ(PhraseFileName(34), "34 Вступительная фраза при смене режима (ОХРАНА-НАБЛЮДЕНИЕ).wav");
    struct Case {
        const char* name;
        std::optional<std::uint8_t> event;
    };
    const Case cases[] = {
        {"03.wav", 3},
        {"3 - Тревога по входу 1.mp3", 3},
        {"42_последнее.flac", 42},
        {"Тревога по входу 1.flac", 3},
        {"Переход в режим \"ОХРАНА\".ogg", 0},
        {"00 Переход в режим 'ОХРАНА'.wav", 0},
        {"43.wav", std::nullopt},
        {"0003.wav", std::nullopt},
        {"Тревога по входу.wav", std::nullopt},
        {"intro.wav", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EventOfFileName(c.name), c.event) << c.name;
}

TEST(PhraseFolder, ExportThenImportOfTheFolderGivesTheSameBankAndNamesWhatMatchesNothing) {
    const fs::path folder = fs::temp_directory_path() / ("phrase-folder-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directory(folder));

    VoiceBank bank;
    for (std::uint8_t event : {0, 3, 34, 42}) {
        bank.ClearSlot(event);
        for (std::uint32_t i = 0; i < 3000u + event * 10; ++i)
            bank.AppendSample(event, std::int16_t((i * 2654435761u) >> 18));
    }
    const FolderExport exported = ExportFolder(bank, folder);
    EXPECT_EQ(exported.written, 4);
    EXPECT_TRUE(exported.failed.empty());
    std::ofstream(folder / "notes.txt") << "not audio";
    std::ofstream(folder / "intro.wav") << "matches no event";
    std::ofstream(folder / U8("3 - копия.wav")) << "a second file for event 3";

    const FolderPlan plan = PlanFolder(folder);
    EXPECT_EQ(plan.unmatched, std::vector<fs::path>{folder / "intro.wav"});
    EXPECT_EQ(plan.duplicates, std::vector<fs::path>{folder / U8("3 - копия.wav")});
    VoiceBank imported;
    SilentReporter reporter;
    for (const FolderPlan::Phrase& phrase : plan.phrases)
        EXPECT_EQ(ImportWav(imported, phrase.event, phrase.file, reporter), ImportOutcome::Loaded);
    EXPECT_EQ(reporter.messages, 0);
    bank.PackImage();
    imported.PackImage();
    EXPECT_TRUE(VoiceBank::CompareImages(bank, imported));

    EXPECT_EQ(ExportFolder(bank, folder / "missing").failed.size(), 4u);
    fs::remove_all(folder);
}

} // namespace
