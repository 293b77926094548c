#include "voice/VoiceFile.h"
#include "voice/Checksum.h"

#include "VoiceFileFixture.h"

#include <algorithm>

namespace {

TEST(ChecksumTest, NegatesTheXorOfTheBytes) {
    auto image = std::make_unique<VoiceImage>();
    EXPECT_EQ(Checksum(*image), 0x00);
    (*image)[1000] = 0x5A;
    EXPECT_EQ(Checksum(*image), 0xA6);
}

TEST_F(VoiceFileTest, EmptyBankWritesTheDocumentedBytes) {
    auto empty = std::make_unique<VoiceBank>();
    empty->PackImage();
    const auto path = folder / "default.vce";
    ASSERT_EQ(WriteVoiceFile(path, empty->image), kVoiceFileOk);
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 22), kV0505);
    for (std::size_t i = 0; i < kSlotCount; ++i) {
        const Bytes entry(file.begin() + 22 + 6 * i, file.begin() + 28 + 6 * i);
        ASSERT_EQ(entry, (Bytes{0x2C, 0x01, 0, 0, 0, 0})) << i;
    }
    EXPECT_TRUE(std::all_of(file.begin() + 22 + 300, file.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(VoiceFileTest, WrittenFileReadsBackUnchanged) {
    const auto path = folder / std::filesystem::u8path("голоса.vce");
    ASSERT_EQ(WriteVoiceFile(path, bank->image), kVoiceFileOk);
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_EQ(file.back(), Checksum(bank->image));
    EXPECT_EQ(ReadVoiceFile(path, *readBack, fullLayout), kVoiceFileOk);
    EXPECT_TRUE(fullLayout);
    EXPECT_TRUE(*readBack == bank->image);
    EXPECT_EQ(FolderEntries().size(), 1U);
}

TEST_F(VoiceFileTest, EachVersionReadsWithItsLayoutAndChecksumRule) {
    const std::uint8_t good = Checksum(bank->image);
    const std::uint8_t bad = good ^ 0x01;
    struct Case {
        std::string_view header;
        std::uint8_t checksum;
        VoiceFileResult result;
        bool fullLayout;
    };
    const std::vector<Case> cases = {
        {kV0100, good, kVoiceFileOk, false}, {kV0100, bad, kVoiceFileChecksumMismatch, false},
        {kV0104, good, kVoiceFileOk, true},  {kV0104, bad, kVoiceFileOk, true},
        {kV0505, good, kVoiceFileOk, true},  {kV0505, bad, kVoiceFileChecksumMismatch, true},
    };
    const auto path = folder / "x.vce";
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.header) + " checksum " + std::to_string(c.checksum));
        WriteAll(path, VoiceFileBytes(c.header, bank->image, c.checksum));
        readBack->fill(0);
        fullLayout = !c.fullLayout;
        EXPECT_EQ(ReadVoiceFile(path, *readBack, fullLayout), c.result);
        EXPECT_EQ(fullLayout, c.fullLayout);
        EXPECT_TRUE(*readBack == bank->image);
    }
}

TEST_F(VoiceFileTest, OldestVersionDropsTheUserNameEvents) {
    const auto path = folder / "old.vce";
    WriteAll(path, VoiceFileBytes(kV0100, bank->image, Checksum(bank->image)));
    ASSERT_EQ(ReadVoiceFile(path, bank->image, fullLayout), kVoiceFileOk);
    bank->UnpackImage(fullLayout);
    EXPECT_EQ(bank->Slot(34).count, 3U + 34);
    for (std::uint8_t i = 35; i < kSlotCount; ++i) {
        EXPECT_EQ(bank->Slot(i).count, 0U) << int(i);
    }
}

TEST_F(VoiceFileTest, ExtraBytesAfterTheChecksumAreIgnored) {
    Bytes file = VoiceFileBytes(kV0505, bank->image, Checksum(bank->image));
    file.insert(file.end(), {1, 2, 3});
    WriteAll(folder / "long.vce", file);
    EXPECT_EQ(ReadVoiceFile(folder / "long.vce", *readBack, fullLayout), kVoiceFileOk);
    EXPECT_TRUE(*readBack == bank->image);
}

TEST_F(VoiceFileTest, DamagedOrForeignFilesFail) {
    const Bytes good = VoiceFileBytes(kV0505, bank->image, Checksum(bank->image));
    const auto cut = [&](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    Bytes otherVersion = good;
    otherVersion[20] = '6';
    Bytes lowerCase = good;
    lowerCase[1] = 'v';
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"empty", {}},
        {"inside the header", cut(21)},
        {"header only", cut(22)},
        {"inside the image", cut(22 + 1000)},
        {"without the checksum byte", cut(kFileSize - 1)},
        {"unknown version", otherVersion},
        {"header in another case", lowerCase},
    };
    const auto path = folder / "bad.vce";
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        WriteAll(path, bytes);
        EXPECT_EQ(ReadVoiceFile(path, *readBack, fullLayout), kVoiceFileFailed);
    }
    EXPECT_EQ(ReadVoiceFile(folder / "missing.vce", *readBack, fullLayout), kVoiceFileFailed);
    EXPECT_EQ(ReadVoiceFile(folder, *readBack, fullLayout), kVoiceFileFailed);
}

TEST_F(VoiceFileTest, UnwritableTargetsFail) {
    EXPECT_EQ(WriteVoiceFile(folder / "no such folder" / "x.vce", bank->image), kVoiceFileFailed);
    EXPECT_FALSE(std::filesystem::exists(folder / "no such folder"));

    const auto directory = folder / "taken.vce";
    std::filesystem::create_directory(directory);
    std::ofstream(directory / "inside") << "kept";
    EXPECT_EQ(WriteVoiceFile(directory, bank->image), kVoiceFileFailed);
    EXPECT_TRUE(std::filesystem::is_directory(directory));
    EXPECT_TRUE(std::filesystem::exists(directory / "inside"));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"taken.vce"});
}

} // namespace
