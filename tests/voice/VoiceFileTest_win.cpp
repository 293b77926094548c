#include "VoiceFileFixture.h"
#include "voice/SaveTemporary.h"

#include <algorithm>

#include <windows.h>

namespace {

// Another program (a player, a virus scanner) holds the file open without letting it be replaced: the
// save fails and leaves the last good copy and no stray file.
TEST_F(VoiceFileTest, FileHeldOpenByAnotherProgramStaysUntouched) {
    const auto path = folder / "default.vce";
    ASSERT_EQ(WriteVoiceFile(path, bank->image), kVoiceFileOk);
    const Bytes before = ReadAll(path);
    const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const auto other = std::make_unique<VoiceImage>();
    const VoiceFileResult result = WriteVoiceFile(path, *other);
    CloseHandle(held);
    EXPECT_EQ(result, kVoiceFileFailed);
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"default.vce"});
}

// A save replaces the contents only: the file keeps the attributes its owner gave it, and a read-only
// one stays as it is.
TEST_F(VoiceFileTest, SaveKeepsTheAttributesOfTheFileItReplaces) {
    const auto path = folder / "shared.vce";
    WriteAll(path, {1, 2, 3});
    ASSERT_NE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN), 0);
    ASSERT_EQ(WriteVoiceFile(path, bank->image), kVoiceFileOk);
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, DWORD{FILE_ATTRIBUTE_HIDDEN});

    ASSERT_NE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    const auto other = std::make_unique<VoiceImage>();
    EXPECT_EQ(WriteVoiceFile(path, *other), kVoiceFileFailed);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadVoiceFile(path, *readBack, fullLayout), kVoiceFileOk);
    EXPECT_TRUE(*readBack == bank->image);
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"shared.vce"});
}

// What a crash left behind goes; a save still running (its file held open) and the user's own files stay.
TEST_F(VoiceFileTest, OnlyAbandonedTemporaryFilesAreRemoved) {
    std::vector<std::string> kept = {"notes.tmp", "a.vce.12.tmp", "a.vce.1.x.tmp", ".1.2.tmp",
                                     "running.vce.3.4.tmp"};
    for (const std::string& name : kept)
        WriteAll(folder / name, {1});
    WriteAll(folder / "default.vce.4242.7.tmp", {1});
    const HANDLE running = CreateFileW((folder / kept.back()).c_str(), GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    RemoveInterruptedSaves(folder);
    CloseHandle(running);
    auto entries = FolderEntries();
    std::sort(entries.begin(), entries.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(entries, kept);
}

} // namespace
