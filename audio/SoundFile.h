#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
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
    // A file already open, read through its descriptor from its start; the caller keeps it open and
    // closes it after this.
    explicit SoundFile(std::FILE* open);
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    bool IsOpen() const { return file_ != nullptr || mp3_ != nullptr; }
    const SoundFileInfo& Info() const { return info_; }

    // Reads on until `frames` frames are read or the file ends, each frame mixed down to the average
    // of its channels. The frame count in a header is not trusted (MP3 only estimates it).
    std::vector<float> ReadMono(std::size_t frames);
    // Reads on to the end without keeping what it reads; returns the frames read since the start.
    std::uint64_t CountToTheEnd();

private:
    void Open(std::FILE* file);
    std::size_t ReadFrames(float* out, std::size_t frames);

    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> owned_; // opened by path

    sf_private_tag* file_ = nullptr;
    std::unique_ptr<Mp3Decoder> mp3_; // instead of file_ for MPEG audio
    SoundFileInfo info_;
    long long frames_ = 0; // as the header states it, if at all
    std::uint64_t framesRead_ = 0;
};

// An MP4/M4A container or a bare AAC stream: common, and not readable by this program. Reads the
// file's first bytes from its start and leaves it there.
bool IsAacOrM4a(std::FILE* open);

// "MP3, 44100 Гц, стерео" (UTF-8).
std::string DescribeSound(const SoundFileInfo& info);
