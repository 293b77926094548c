#include "voice/WavImport.h"
#include "tests/support/wav/WavBuilder.h"
#include "voice/ByteSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using wavtest::Bytes;
using wavtest::WavBuilder;

class RecordingReporter : public ImportQuestions {
public:
    void Report(const ImportMessage& message) override { messages.push_back(message); }
    std::vector<ImportMessageKind> Kinds() const {
        std::vector<ImportMessageKind> kinds;
        for (const ImportMessage& m : messages) {
            kinds.push_back(m.kind);
        }
        return kinds;
    }
    bool LoadBeginning(const ImportMessage& cut) override {
        messages.push_back(cut);
        return loadBeginning;
    }
    std::vector<ImportMessage> messages;
    bool loadBeginning = true;
};

constexpr std::uint8_t kSlot = 7;

class WavImportTest : public testing::Test {
protected:
    ImportOutcome Import(const Bytes& file, std::uint8_t slot = kSlot) {
        MemorySource source(file);
        return ImportWav(*bank, slot, source, reporter);
    }

    // The slot holds exactly these samples, encoded from the reset state.
    void ExpectSlotHolds(std::span<const std::int16_t> samples, std::uint8_t slot = kSlot) {
        auto expected = std::make_unique<VoiceBank>();
        for (std::int16_t s : samples) {
            expected->AppendSample(slot, s);
        }
        ASSERT_EQ(bank->Slot(slot).count, samples.size());
        EXPECT_TRUE(bank->Slot(slot).buffer == expected->Slot(slot).buffer);
    }

    void FillSlot(std::uint8_t slot, std::uint32_t samples) {
        for (std::uint32_t i = 0; i < samples; ++i) {
            bank->AppendSample(slot, static_cast<std::int16_t>(i));
        }
    }

    std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
    RecordingReporter reporter;
    const std::vector<std::int16_t> samples = wavtest::Signal(1001);
};

TEST_F(WavImportTest, CanonicalFileLoadsEverySample) {
    const Bytes file = wavtest::CanonicalWav(samples);
    ASSERT_EQ(file.size(), 44 + 2 * samples.size());
    EXPECT_EQ(Import(file), ImportOutcome::Loaded);
    EXPECT_TRUE(reporter.messages.empty());
    ExpectSlotHolds(samples);
}

// Layouts that real writers produce, and headers that make no sense (from which the byte search takes
// over, as it always did): each must load exactly the recorded samples, without a message.
TEST_F(WavImportTest, EveryLayoutLoadsTheRecordedSamples) {
    const auto withRiffSize = [&](std::uint32_t riffSize) {
        return WavBuilder().Fmt().Info({{"INAM", "x"}}).Data(samples).RiffSize(riffSize).Build();
    };
    const std::vector<std::pair<std::string, Bytes>> layouts = {
        {"18-byte fmt", WavBuilder().Fmt({}, 2).Data(samples).Build()},
        {"100-byte fmt", WavBuilder().Fmt({}, 84).Data(samples).Build()},
        {"LIST/INFO with 'data' in a title",
         WavBuilder().Fmt().Info({{"INAM", "metadata"}, {"ISFT", "Lavf59.27.100"}}).Data(samples).Build()},
        {"INFO text that reads like a data header",
         WavBuilder().Fmt().Info({{"ICMT", std::string("data\x10\x00\x00\x00", 8)}}).Data(samples).Build()},
        {"fact then cue points naming 'data'",
         WavBuilder().Fmt().Fact(1001).Cue({0, 500}).Data(samples).Build()},
        {"odd chunk with its pad byte",
         WavBuilder().Fmt().Chunk("JUNK", {'d', 'a', 't'}).Data(samples).Build()},
        {"odd chunk without its pad byte",
         WavBuilder().Fmt().Chunk("JUNK", {'d', 'a', 't'}, {}, false).Data(samples).Build()},
        {"empty chunk", WavBuilder().Fmt().Chunk("PAD ", {}).Data(samples).Build()},
        {"odd fmt with its pad byte",
         WavBuilder().Chunk("fmt ", wavtest::FmtBody({}, 1)).Data(samples).Build()},
        {"chunks after data", WavBuilder().Fmt().Data(samples).Info({{"INAM", "x"}}).Build()},
        // Streaming writers never come back to fill in the RIFF size.
        {"RIFF size 0", withRiffSize(0)},
        {"RIFF size 4", withRiffSize(4)},
        {"RIFF size 0xFFFFFFFF", withRiffSize(0xFFFFFFFF)},
        {"RIFF size 0x7FFFF000", withRiffSize(0x7FFFF000)},
        {"chunk size beyond the file",
         WavBuilder().Fmt().Chunk("JUNK", {1, 2, 3, 4}, 0xFFFFFF00).Data(samples).Build()},
        {"stray bytes instead of a chunk header",
         WavBuilder().Fmt().Raw({0x01, 0xFF, 0x00}).Data(samples).Build()},
        {"'data' straddling a header that does not fit", WavBuilder()
                                                             .Fmt()
                                                             .Raw({'x', 'x', 'd', 'a', 't', 'a'})
                                                             .Raw({0xD2, 0x07, 0, 0})
                                                             .Raw(wavtest::SampleBytes(samples))
                                                             .RiffSize(4 + 24 + 10 + 2002)
                                                             .Build()},
    };
    for (const auto& [name, file] : layouts) {
        SCOPED_TRACE(name);
        reporter.messages.clear();
        EXPECT_EQ(Import(file), ImportOutcome::Loaded);
        EXPECT_TRUE(reporter.messages.empty());
        ExpectSlotHolds(samples);
    }
}

// A pipe writer leaves the data size unfilled too: the data runs to the end of the file, and the
// truncation warning shows only when the file really holds more than the free capacity.
TEST_F(WavImportTest, UnfilledDataSizeLoadsWhatTheFileHoldsAndWarnsOnlyWhenItIsCut) {
    for (const std::uint32_t unfilled : {0xFFFFFFFFU, 0x7FFFF000U}) {
        SCOPED_TRACE(unfilled);
        reporter.messages.clear();
        EXPECT_EQ(Import(WavBuilder().Fmt().Data(samples, unfilled).RiffSize(0xFFFFFFFF).Build()),
                  ImportOutcome::Loaded);
        EXPECT_TRUE(reporter.messages.empty());
        ExpectSlotHolds(samples);
    }
}

TEST_F(WavImportTest, UnfilledDataSizeLongerThanTheFreeCapacityIsCutWithTheWarning) {
    const std::span<const std::int16_t> fits = std::span<const std::int16_t>(samples).first(998);
    FillSlot(0, kCapacitySamples - static_cast<std::uint32_t>(fits.size()));
    EXPECT_EQ(Import(WavBuilder().Fmt().Data(samples, 0xFFFFFFFF).RiffSize(0xFFFFFFFF).Build()),
              ImportOutcome::Loaded);
    ASSERT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::Truncated});
    EXPECT_EQ(reporter.messages[0].loadedSamples, fits.size()); // read to the end to say how long it is
    EXPECT_EQ(reporter.messages[0].fileSamples, samples.size());
    ExpectSlotHolds(fits);
    EXPECT_EQ(bank->FreeSamples(), 0u);

    // Exactly as much as is free: nothing is cut, so nothing is said.
    reporter.messages.clear();
    EXPECT_EQ(Import(WavBuilder().Fmt().Data(fits, 0xFFFFFFFF).RiffSize(0xFFFFFFFF).Build()),
              ImportOutcome::Loaded);
    EXPECT_TRUE(reporter.messages.empty());
    ExpectSlotHolds(fits);
}

TEST_F(WavImportTest, QuantityIsTheSmallestOfDataSizeRiffSizeAndFileLength) {
    const std::span<const std::int16_t> all(samples);
    // An odd data size leaves its last byte unread.
    EXPECT_EQ(Import(WavBuilder().Fmt().Data(samples, 2 * 500 + 1).Build()), ImportOutcome::Loaded);
    ExpectSlotHolds(all.first(500));
    // A data size larger than the file loads what the file holds, silently.
    EXPECT_EQ(Import(WavBuilder().Fmt().Data(samples, 100000).Build()), ImportOutcome::Loaded);
    ExpectSlotHolds(all);
    // The RIFF size ends the samples early.
    EXPECT_EQ(Import(WavBuilder().Fmt().Data(samples).RiffSize(4 + 24 + 8 + 2 * 300).Build()),
              ImportOutcome::Loaded);
    ExpectSlotHolds(all.first(300));
    // A file cut inside a sample.
    Bytes cut = wavtest::CanonicalWav(samples);
    cut.resize(44 + 2 * 600 + 1);
    EXPECT_EQ(Import(cut), ImportOutcome::Loaded);
    ExpectSlotHolds(all.first(600));
    EXPECT_TRUE(reporter.messages.empty());
    // A file cut right after the data header holds no sound: refused, the phrase stays.
    cut.resize(44);
    EXPECT_EQ(Import(cut), ImportOutcome::Unchanged);
    ExpectSlotHolds(all.first(600));
    ASSERT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::NoSound});
    EXPECT_EQ(reporter.messages[0].text, "Запись не содержит звука");
    // A streaming writer's overstated sizes: all samples fit, so nothing is said.
    reporter.messages.clear();
    EXPECT_EQ(Import(WavBuilder().Fmt().Data(samples, 0xFFFFFFF0).RiffSize(0xFFFFFFF0).Build()),
              ImportOutcome::Loaded);
    EXPECT_TRUE(reporter.messages.empty());
    ExpectSlotHolds(all);
}

struct Refusal {
    std::string name;
    Bytes file;
    ImportMessageKind kind;
};

Bytes Truncated(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

Bytes Patched(Bytes file, std::size_t offset, std::string_view bytes) {
    std::copy(bytes.begin(), bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(offset));
    return file;
}

// Every refusal shows its one message, ends the import and leaves the slot as it was.
TEST_F(WavImportTest, RefusalsLeaveTheSlotAsItWas) {
    const std::vector<std::int16_t> some = wavtest::Signal(10);
    const Bytes good = wavtest::CanonicalWav(some);
    const auto unsupported = [&](WaveFormat f) { return WavBuilder().Fmt(f).Data(some).Build(); };
    const std::vector<Refusal> refusals = {
        {"empty file", {}, ImportMessageKind::ReadFailed},
        {"15 bytes", Truncated(good, 15), ImportMessageKind::ReadFailed},
        {"RIFX", Patched(good, 0, "RIFX"), ImportMessageKind::BadFormat},
        {"AVI", Patched(good, 8, "AVI "), ImportMessageKind::BadFormat},
        {"no fmt first", WavBuilder().Fact(1).Fmt().Data(some).Build(), ImportMessageKind::BadFormat},
        {"RIFF size 8", WavBuilder().Fmt().Data(some).RiffSize(8).Build(), ImportMessageKind::BadFormat},
        {"RIFF size 11", WavBuilder().Fmt().Data(some).RiffSize(11).Build(), ImportMessageKind::BadFormat},
        {"RIFF size ends in fmt", WavBuilder().Fmt().Data(some).RiffSize(20).Build(),
         ImportMessageKind::BadFormat},
        {"no fmt size", Truncated(good, 18), ImportMessageKind::BadFormat},
        {"14-byte fmt", WavBuilder().Chunk("fmt ", Truncated(wavtest::FmtBody(), 14)).Data(some).Build(),
         ImportMessageKind::BadFormat},
        {"102-byte fmt", WavBuilder().Fmt({}, 86).Data(some).Build(), ImportMessageKind::BadFormat},
        {"cut inside fmt", Truncated(good, 30), ImportMessageKind::BadFormat},
        {"11025 Hz", unsupported({.samplesPerSecond = 11025, .bytesPerSecond = 22050}),
         ImportMessageKind::UnsupportedFormat},
        {"stereo", unsupported({.channels = 2, .bytesPerSecond = 32000, .blockAlign = 4}),
         ImportMessageKind::UnsupportedFormat},
        {"8 bit", unsupported({.bytesPerSecond = 8000, .blockAlign = 1, .bitsPerSample = 8}),
         ImportMessageKind::UnsupportedFormat},
        {"extensible", WavBuilder().Fmt({.formatTag = 0xFFFE}, 24).Data(some).Build(),
         ImportMessageKind::UnsupportedFormat},
        {"IMA ADPCM", unsupported({.formatTag = 0x11}), ImportMessageKind::UnsupportedFormat},
        {"wrong byte rate", unsupported({.bytesPerSecond = 16001}), ImportMessageKind::UnsupportedFormat},
        {"wrong block align", unsupported({.blockAlign = 4}), ImportMessageKind::UnsupportedFormat},
        {"no data chunk", WavBuilder().Fmt().Info({{"INAM", "song"}}).Build(), ImportMessageKind::BadFormat},
        {"cut before the data header", Truncated(good, 38), ImportMessageKind::BadFormat},
        {"cut inside the data size", Truncated(good, 42), ImportMessageKind::BadFormat},
        {"cut inside a skipped chunk",
         Truncated(WavBuilder().Fmt().Info({{"INAM", "a long enough title"}}).Data(some).Build(), 50),
         ImportMessageKind::BadFormat},
    };
    FillSlot(kSlot, 5);
    const VoiceSlot before = bank->Slot(kSlot);
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        reporter.messages.clear();
        EXPECT_EQ(Import(r.file), ImportOutcome::Unchanged);
        ASSERT_EQ(reporter.messages.size(), 1U);
        EXPECT_EQ(reporter.messages[0].kind, r.kind);
        EXPECT_FALSE(reporter.messages[0].importGoesOn);
        EXPECT_EQ(reporter.messages[0].caption, "Открытие файла");
        EXPECT_EQ(bank->Slot(kSlot).count, before.count);
        EXPECT_TRUE(bank->Slot(kSlot).buffer == before.buffer);
    }
}

TEST_F(WavImportTest, MessagesReadAsTheUserSeesThem) {
    Import(WavBuilder().Fmt({.channels = 2}).Data(samples).Build());
    Import(Truncated(wavtest::CanonicalWav(samples), 3));
    ASSERT_EQ(reporter.messages.size(), 2U);
    EXPECT_EQ(reporter.messages[0].text, "Неверный формат файла.\nИспользуйте только WAV файл формата: "
                                         "PCM 8000 Гц; 16 бит; Моно.");
    EXPECT_EQ(reporter.messages[1].text, "Ошибка при открытии файла");
}

TEST_F(WavImportTest, LongerThanTheFreeCapacityIsTruncatedOnce) {
    const std::uint32_t free = 700;
    FillSlot(0, kCapacitySamples - free);
    ASSERT_EQ(bank->FreeSamples(), free);
    EXPECT_EQ(Import(wavtest::CanonicalWav(samples)), ImportOutcome::Loaded);
    ASSERT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::Truncated});
    EXPECT_TRUE(reporter.messages[0].importGoesOn);
    EXPECT_EQ(reporter.messages[0].caption, "Загрузка звукового фрагмента");
    EXPECT_EQ(reporter.messages[0].loadedSamples, free);
    EXPECT_EQ(reporter.messages[0].fileSamples, samples.size());
    ExpectSlotHolds(std::span(samples).first(free));
    EXPECT_EQ(bank->FreeSamples(), 0U);
}

TEST_F(WavImportTest, ACutRefusedLeavesTheSlotAsItWas) {
    FillSlot(0, kCapacitySamples - 1000);
    FillSlot(kSlot, 300);
    reporter.loadBeginning = false;
    EXPECT_EQ(Import(wavtest::CanonicalWav(samples)), ImportOutcome::Unchanged);
    EXPECT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::Truncated});
    EXPECT_EQ(bank->Slot(kSlot).count, 300U);
}

TEST_F(WavImportTest, ReplacedPhraseFreesItsSpaceFirst) {
    FillSlot(0, kCapacitySamples - 400);
    FillSlot(kSlot, 400);
    ASSERT_EQ(bank->FreeSamples(), 0U);
    EXPECT_EQ(Import(wavtest::CanonicalWav(samples)), ImportOutcome::Loaded);
    EXPECT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::Truncated});
    ExpectSlotHolds(std::span(samples).first(400));
}

TEST_F(WavImportTest, FullMemoryEmptiesTheSlotAndLoadsNothing) {
    FillSlot(0, kCapacitySamples);
    FillSlot(kSlot, 10);
    EXPECT_EQ(Import(wavtest::CanonicalWav(samples)), ImportOutcome::Emptied);
    ASSERT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::MemoryFull});
    EXPECT_FALSE(reporter.messages[0].importGoesOn);
    EXPECT_EQ(bank->Slot(kSlot).count, 0U);
}

// An odd free capacity cannot arise, so an import never leaves the bank unpackable.
TEST_F(WavImportTest, ImportAfterOddPhrasesStillPacksInsideTheImage) {
    FillSlot(0, 3);
    FillSlot(1, kCapacitySamples - 1001 - 4);
    EXPECT_EQ(Import(wavtest::CanonicalWav(samples), 2), ImportOutcome::Loaded);
    EXPECT_EQ(bank->Slot(2).count, 1000U);
    bank->PackImage();
    EXPECT_EQ(bank->DirectoryEntry(2).count, 1000U);
    EXPECT_EQ(bank->DirectoryEntry(kSlotCount - 1).address, kImageSize);
}

class Recorder final : public ImportQuestions {
public:
    void Report(const ImportMessage& message) override { kinds.push_back(message.kind); }
    std::vector<ImportMessageKind> kinds;
};

void Fill(VoiceBank& bank, std::uint8_t slot, std::uint32_t samples) {
    for (std::uint32_t i = 0; i < samples; ++i)
        bank.AppendSample(slot, std::int16_t(i * 37));
}

// Samples go into their slot under the import's rules: the old phrase makes room, what does not fit is
// cut with a warning, a full memory leaves the slot empty.
TEST(LoadPhrase, KeepsToTheCapacityWithTheImportsMessages) {
    struct Case {
        const char* name;
        std::uint32_t othersHold, slotHolds, takeLength, loaded;
        std::vector<ImportMessageKind> said;
    };
    const std::uint32_t cap = kCapacitySamples;
    const Case cases[] = {
        {"fits", 1000, 0, 8000, 8000, {}},
        {"replaces the old phrase", cap - 9000, 9000, 8000, 8000, {}},
        {"cut to what is free", cap - 5000, 0, 8000, 5000, {ImportMessageKind::Truncated}},
        {"memory full", cap, 10, 8000, 0, {ImportMessageKind::MemoryFull}},
    };
    for (const Case& c : cases) {
        VoiceBank bank;
        Fill(bank, 0, c.othersHold);
        Fill(bank, 7, c.slotHolds);
        EXPECT_EQ(bank.FreeSamplesFor(7), std::min(cap, cap - c.othersHold)) << c.name;
        Recorder messages;
        const std::vector<std::int16_t> take(c.takeLength, 1000);
        LoadPhrase(bank, 7, take, take.size(), messages);
        EXPECT_EQ(bank.Slot(7).count, c.loaded) << c.name;
        EXPECT_EQ(messages.kinds, c.said) << c.name;
    }
}

class WavFileImportTest : public WavImportTest {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("wav-import-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::filesystem::path folder;
};

TEST_F(WavFileImportTest, LoadsAFileWithACyrillicName) {
    const std::filesystem::path file = folder / std::filesystem::u8path("тревога вход 1.wav");
    wavtest::WriteFile(file, wavtest::CanonicalWav(samples));
    EXPECT_EQ(ImportWav(*bank, kSlot, file, reporter), ImportOutcome::Loaded);
    ExpectSlotHolds(samples);
}

// ffmpeg's default output, made by tests/voice/data/make-reference-data.sh: its LIST/INFO texts
// hold "data" ahead of the real data chunk, whose 400 samples end the file.
TEST_F(WavFileImportTest, LoadsFfmpegOutputWithDataInItsTexts) {
    const std::filesystem::path path =
        std::filesystem::path(VP_VOICE_TEST_DATA) / "ffmpeg-title-metadata.wav";
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(file.size(), 800U);
    std::vector<std::int16_t> recorded(400);
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        const std::size_t at = file.size() - 800 + 2 * i;
        recorded[i] = static_cast<std::int16_t>(file[at] | file[at + 1] << 8);
    }
    EXPECT_EQ(ImportWav(*bank, kSlot, path, reporter), ImportOutcome::Loaded);
    EXPECT_TRUE(reporter.messages.empty());
    ExpectSlotHolds(recorded);
}

TEST_F(WavFileImportTest, WhatCannotBeOpenedIsRefusedUntouched) {
    FillSlot(kSlot, 5);
    for (const std::filesystem::path& path : {folder / "missing.wav", folder}) {
        reporter.messages.clear();
        EXPECT_EQ(ImportWav(*bank, kSlot, path, reporter), ImportOutcome::Unchanged);
        ASSERT_EQ(reporter.Kinds(), std::vector{ImportMessageKind::CannotOpen});
        EXPECT_EQ(reporter.messages[0].text, "Невозможно открыть файл");
        EXPECT_EQ(bank->Slot(kSlot).count, 5U);
    }
}

} // namespace
