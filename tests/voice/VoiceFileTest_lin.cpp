#include "VoiceFileFixture.h"

#include <csignal>
#include <sys/resource.h>

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
    const VoiceFileResult result = WriteVoiceFile(path, other->image);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(result, kVoiceFileFailed);
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

} // namespace
