#pragma once

// What the voice file tests of every platform share: a fresh folder per test and a bank with data.

#include "voice/VoiceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

constexpr std::size_t kFileSize = 22 + kImageSize + 1;
constexpr std::string_view kV0100 = "[VoiceMessage v.01.00]";
constexpr std::string_view kV0104 = "[VoiceMessage v.01.04]";
constexpr std::string_view kV0505 = "[VoiceMessage v.05.05]";

using Bytes = std::vector<std::uint8_t>;

inline Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes VoiceFileBytes(std::string_view header, const VoiceImage& image, std::uint8_t checksum) {
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), image.begin(), image.end());
    file.push_back(checksum);
    return file;
}

class VoiceFileTest : public testing::Test {
protected:
    void SetUp() override {
        // A Cyrillic folder name, as Russian users' folders are named.
        folder = std::filesystem::temp_directory_path() /
                 std::filesystem::u8path("голоса-" + std::to_string(::getpid()) + "-" +
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
