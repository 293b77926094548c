#include "VoiceFileFixture.h"
#include "voice/SafeFile.h"
#include "voice/SaveTemporary.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

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
