#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;
class Mp3Decoder;

// What a recording is, as the user is told: "MP3", 44100, 2.
struct SoundFileInfo {
    std::string format;     // "WAV", "MP3", "FLAC", "Ogg Vorbis", ...
    std::string sampleKind; // "16 бит", "A-law", ...; empty for compressed formats
    int sampleRate = 0;
    int channels = 0;
};

// A recording in any format libsndfile reads, opened for reading from its start.
class SoundFile {
public:
    explicit SoundFile(const std::filesystem::path& path);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    bool IsOpen() const { return file_ != nullptr || mp3_ != nullptr; }
    const SoundFileInfo& Info() const { return info_; }

    // Reads on until `frames` frames are read or the file ends, each frame mixed down to the average
    // of its channels. The frame count in a header is not trusted (MP3 only estimates it).
    std::vector<float> ReadMono(std::size_t frames);

private:
    std::size_t ReadFrames(float* out, std::size_t frames);

    sf_private_tag* file_ = nullptr;
    std::unique_ptr<Mp3Decoder> mp3_; // instead of file_ for MPEG audio
    SoundFileInfo info_;
    long long frames_ = 0; // as the header states it, if at all
};

// An MP4/M4A container or a bare AAC stream: common, and not readable by this program.
bool IsAacOrM4a(const std::filesystem::path& path);

// "MP3, 44100 Гц, стерео" (UTF-8).
std::string DescribeSound(const SoundFileInfo& info);
