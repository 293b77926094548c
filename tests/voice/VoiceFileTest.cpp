#include "voice/VoiceFile.h"
#include "voice/Checksum.h"
#include "voice/SafeFile.h"
#include "voice/SaveTemporary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kFileSize = 22 + kImageSize + 1;
constexpr std::string_view kV0100 = "[VoiceMessage v.01.00]";
constexpr std::string_view kV0104 = "[VoiceMessage v.01.04]";
constexpr std::string_view kV0505 = "[VoiceMessage v.05.05]";

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes VoiceFileBytes(std::string_view header, const VoiceImage& image, std::uint8_t checksum) {
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), image.begin(), image.end());
    file.push_back(checksum);
    return file;
}

class VoiceFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("voice-file-" + std::to_string(::getpid()) + "-" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        for (std::uint8_t i = 0; i < kEventSlotCount; ++i) {
            for (int k = 0; k < 3 + i; ++k) {
                bank->AppendSample(i, static_cast<std::int16_t>(k * 1000 - i * 300));
            }
        }
        bank->PackImage();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    std::filesystem::path folder;
    std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
    std::unique_ptr<VoiceImage> readBack = std::make_unique<VoiceImage>();
    bool fullLayout = false;
};

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

TEST_F(VoiceFileTest, SaveReplacesTheOldFileAndFollowsALink) {
    const auto real = folder / "real.vce";
    WriteAll(real, {1, 2, 3});
    std::filesystem::create_symlink("real.vce", folder / "link.vce");
    ASSERT_EQ(WriteVoiceFile(folder / "link.vce", bank->image), kVoiceFileOk);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.vce"));
    EXPECT_EQ(ReadAll(real).size(), kFileSize);
    EXPECT_EQ(FolderEntries().size(), 2U);
}

// A save that cannot complete leaves the last good copy and no stray file.
TEST_F(VoiceFileTest, FailedSaveLeavesTheOldFileUntouched) {
    auto other = std::make_unique<VoiceBank>();
    other->PackImage();
    const auto path = folder / "default.vce";
    ASSERT_EQ(WriteVoiceFile(path, bank->image), kVoiceFileOk);
    const Bytes before = ReadAll(path);

    // The disk fills up half-way (a file size limit applies even to root).
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::error_code reason;
    const VoiceFileResult result = WriteVoiceFile(path, other->image, reason);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, kVoiceFileFailed);
    EXPECT_EQ(reason, std::errc::file_too_large);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"default.vce"});
}

// A save replaces the contents only: the file keeps the permissions its owner gave it, and one that
// is write-protected stays as it is.
TEST_F(VoiceFileTest, SaveKeepsThePermissionsOfTheFileItReplaces) {
    namespace fs = std::filesystem;
    const auto path = folder / "shared.vce";
    WriteAll(path, {1, 2, 3});
    const auto groupShared =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write;
    fs::permissions(path, groupShared);
    ASSERT_EQ(WriteVoiceFile(path, bank->image), kVoiceFileOk);
    EXPECT_EQ(fs::status(path).permissions(), groupShared);

    // The superuser may write anything, so the protected file is saved to as an ordinary user.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder, fs::perms::all);
    const auto other = std::make_unique<VoiceImage>();
    const auto saveAsUser = [&] {
        if (::geteuid() == 0 && ::setuid(65534) != 0) {
            std::_Exit(99);
        }
        std::_Exit(WriteVoiceFile(path, *other));
    };
    EXPECT_EXIT(saveAsUser(), testing::ExitedWithCode(kVoiceFileFailed), "");
    EXPECT_EQ(ReadVoiceFile(path, *readBack, fullLayout), kVoiceFileOk);
    EXPECT_TRUE(*readBack == bank->image);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"shared.vce"});
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

// The temporary name is short, so that any name the file system accepts can be saved to.
TEST_F(VoiceFileTest, TheLongestFileNameSaves) {
    const auto path = folder / (std::string(246, 'n') + ".vce");
    std::error_code reason;
    EXPECT_EQ(WriteVoiceFile(path, bank->image, reason), kVoiceFileOk) << reason.message();
    EXPECT_EQ(ReadAll(path).size(), kFileSize);
}

// Only regular files are ever replaced; a link to a missing file makes that file.
TEST_F(VoiceFileTest, LinksAreWrittenThroughOnlyToRegularFiles) {
    namespace fs = std::filesystem;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_directory(folder / "dir");
    const struct {
        const char* target;
        std::error_code reason;
    } cases[] = {
        {"missing.vce", {}},
        {"/dev/null", make_error_code(FileSaveError::NotRegularFile)},
        {"fifo", make_error_code(FileSaveError::NotRegularFile)},
        {"dir", std::make_error_code(std::errc::is_a_directory)},
        {"loop.vce", std::make_error_code(std::errc::too_many_symbolic_link_levels)},
    };
    fs::create_symlink("loop.vce", folder / "loop.vce");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const auto link = folder / "link.vce";
        fs::remove(link);
        fs::create_symlink(c.target, link);
        std::error_code reason;
        EXPECT_EQ(WriteVoiceFile(link, bank->image, reason), c.reason ? kVoiceFileFailed : kVoiceFileOk);
        EXPECT_EQ(reason, c.reason);
        EXPECT_TRUE(fs::is_symlink(link));
    }
    EXPECT_EQ(ReadAll(folder / "missing.vce").size(), kFileSize);
    EXPECT_EQ(fs::status(folder / "fifo").type(), fs::file_type::fifo);
    EXPECT_EQ(FolderEntries().size(), 5U); // nothing left over
}

TEST_F(VoiceFileTest, AFailedSaveSaysWhy) {
    std::error_code reason;
    EXPECT_EQ(WriteVoiceFile(folder / "gone" / "x.vce", bank->image, reason), kVoiceFileFailed);
    EXPECT_EQ(reason, std::errc::no_such_file_or_directory);
}

// What a crash left behind goes; a save still running, and the user's own files, stay.
TEST_F(VoiceFileTest, OnlyAbandonedTemporaryFilesAreRemoved) {
    const std::vector<std::string> kept = {"notes.tmp", ".vce-12.tmp", ".vce-1-x.tmp", "a.vce-1-2.tmp"};
    for (const std::string& name : kept)
        WriteAll(folder / name, {1});
    WriteAll(folder / ".vce-4242-7.tmp", {1});
    std::filesystem::path running;
    std::error_code reason;
    const int fd = CreateSaveTemporary(folder, running, reason);
    ASSERT_GE(fd, 0) << reason.message();
    RemoveInterruptedSaves(folder);
    EXPECT_TRUE(std::filesystem::exists(running));
    ::close(fd);
    auto entries = FolderEntries();
    std::erase(entries, running.filename().string());
    std::sort(entries.begin(), entries.end());
    auto expected = kept;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
    RemoveInterruptedSaves(folder);
    EXPECT_FALSE(std::filesystem::exists(running));
}

} // namespace
