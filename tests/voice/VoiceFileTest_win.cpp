#include "VoiceFileFixture.h"

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

} // namespace
