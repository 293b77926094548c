#include "SoundFile.h"

#include "voice/ByteSource.h"

#include <mpg123.h>
#include <sndfile.h>

#include <algorithm>
#include <array>

#include <unistd.h>

namespace {

std::string FormatName(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
        return "WAV";
    case SF_FORMAT_RF64:
        return "RF64";
    case SF_FORMAT_W64:
        return "W64";
    case SF_FORMAT_AIFF:
        return "AIFF";
    case SF_FORMAT_FLAC:
        return "FLAC";
    case SF_FORMAT_OGG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? "Opus" : "Ogg Vorbis";
    case SF_FORMAT_MPEG:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_III ? "MP3" : "MPEG";
    }
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    return sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name ? info.name : "?";
}

// The sample format where it says why the controller cannot take the file as it is.
std::string SampleKind(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return "8 бит";
    case SF_FORMAT_PCM_16:
        return "16 бит";
    case SF_FORMAT_PCM_24:
        return "24 бит";
    case SF_FORMAT_PCM_32:
        return "32 бит";
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return "плавающая точка";
    case SF_FORMAT_ALAW:
        return "A-law";
    case SF_FORMAT_ULAW:
        return "µ-law";
    }
    return {};
}

std::string Channels(int n) {
    if (n == 1)
        return "моно";
    if (n == 2)
        return "стерео";
    const int last = n % 10, tens = n % 100 / 10;
    const char* word = tens == 1 || last == 0 || last >= 5 ? "каналов" : last == 1 ? "канал" : "канала";
    return std::to_string(n) + " " + word;
}

// Both libraries read the descriptor from where it stands; a stream's own buffer is bypassed.
void Rewind(int descriptor) {
    ::lseek(descriptor, 0, SEEK_SET);
}

} // namespace

// libsndfile reads an MP3 file no further than its frame count, which is only an estimate unless a
// header states it; libmpg123 itself decodes to the end of the file.
class Mp3Decoder {
public:
    Mp3Decoder(int descriptor, int rate, int channels) : channels_(channels) {
        int error = 0;
        handle_ = mpg123_new(nullptr, &error);
        if (!handle_)
            return;
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        // The format libsndfile found, as float; a stream that changes it midway ends there.
        const bool ok = mpg123_format_none(handle_) == MPG123_OK &&
                        mpg123_format(handle_, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO,
                                      MPG123_ENC_FLOAT_32) == MPG123_OK &&
                        mpg123_open_fd(handle_, descriptor) == MPG123_OK;
        if (!ok) {
            mpg123_delete(handle_);
            handle_ = nullptr;
        }
    }
    ~Mp3Decoder() {
        if (handle_) {
            mpg123_close(handle_);
            mpg123_delete(handle_);
        }
    }
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }

    // Interleaved frames; fewer than asked only at the end of the stream or on damage.
    std::size_t Read(float* out, std::size_t frames) {
        const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels_);
        std::size_t filled = 0;
        while (filled < frames * frameBytes) {
            std::size_t done = 0;
            const int result = mpg123_read(handle_, reinterpret_cast<unsigned char*>(out) + filled,
                                           frames * frameBytes - filled, &done);
            filled += done;
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
                break;
            if (done == 0 && result == MPG123_OK)
                break;
        }
        return filled / frameBytes;
    }

private:
    mpg123_handle* handle_ = nullptr;
    int channels_;
};

SoundFile::SoundFile(const std::filesystem::path& path) {
    owned_.reset(OpenRegularFile(path));
    if (owned_)
        Open(owned_.get());
}

SoundFile::SoundFile(std::FILE* open) {
    Open(open);
}

void SoundFile::Open(std::FILE* open) {
    const int descriptor = fileno(open);
    Rewind(descriptor);
    SF_INFO info{};
    // libsndfile closes a descriptor it fails to read even when told not to: it gets a copy of its own.
    file_ = sf_open_fd(::dup(descriptor), SFM_READ, &info, SF_TRUE);
    if (file_ && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG && info.channels <= 2) {
        sf_close(file_);
        file_ = nullptr;
        Rewind(descriptor);
        mp3_ = std::make_unique<Mp3Decoder>(descriptor, info.samplerate, info.channels);
        if (!mp3_->IsOpen()) {
            mp3_.reset();
            return;
        }
        info.frames = 0; // unknown until the end
    }
    if (file_ && (info.samplerate <= 0 || info.channels <= 0)) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (IsOpen()) {
        info_ = {FormatName(info.format), SampleKind(info.format), info.samplerate, info.channels};
        frames_ = info.frames;
    }
}

SoundFile::~SoundFile() {
    if (file_)
        sf_close(file_);
}

std::size_t SoundFile::ReadFrames(float* out, std::size_t frames) {
    if (mp3_)
        return mp3_->Read(out, frames);
    const sf_count_t got = sf_readf_float(file_, out, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::uint64_t SoundFile::CountToTheEnd() {
    if (!IsOpen())
        return 0;
    constexpr std::size_t kBlockFrames = 16384;
    std::vector<float> block(kBlockFrames * static_cast<std::size_t>(info_.channels));
    while (const std::size_t got = ReadFrames(block.data(), kBlockFrames))
        framesRead_ += got;
    return framesRead_;
}

std::vector<float> SoundFile::ReadMono(std::size_t frames) {
    std::vector<float> mono;
    if (!IsOpen())
        return mono;
    // The header's count, where there is one, saves growing the buffer; it is not a limit, and a
    // damaged header may state anything.
    constexpr std::size_t kMostReserved = std::size_t{1} << 24;
    if (frames_ > 0)
        mono.reserve(std::min({frames, static_cast<std::size_t>(frames_), kMostReserved}));
    const auto channels = static_cast<std::size_t>(info_.channels);
    constexpr std::size_t kBlockFrames = 16384;
    std::vector<float> block(kBlockFrames * channels);
    while (mono.size() < frames) {
        const std::size_t wanted = std::min(kBlockFrames, frames - mono.size());
        const std::size_t got = ReadFrames(block.data(), wanted);
        if (got == 0)
            break;
        framesRead_ += got;
        const std::size_t start = mono.size();
        mono.resize(start + got);
        const float scale = 1.0F / static_cast<float>(channels);
        for (std::size_t f = 0; f < got; ++f) {
            const float* frame = block.data() + f * channels;
            float sum = 0;
            for (std::size_t c = 0; c < channels; ++c)
                sum += frame[c];
            mono[start + f] = sum * scale;
        }
    }
    return mono;
}

bool IsAacOrM4a(std::FILE* open) {
    std::array<unsigned char, 8> head{};
    const int descriptor = fileno(open);
    Rewind(descriptor);
    const bool read = ::read(descriptor, head.data(), head.size()) == static_cast<ssize_t>(head.size());
    Rewind(descriptor);
    if (!read)
        return false;
    const bool mp4 = head[4] == 'f' && head[5] == 't' && head[6] == 'y' && head[7] == 'p';
    // ADTS: a 12-bit sync word, then MPEG layer bits 00, which MP3 never has.
    const bool adts = head[0] == 0xFF && (head[1] & 0xF6) == 0xF0;
    return mp4 || adts;
}

std::string DescribeSound(const SoundFileInfo& info) {
    std::string text = info.format + ", " + std::to_string(info.sampleRate) + " Гц, ";
    if (!info.sampleKind.empty())
        text += info.sampleKind + ", ";
    return text + Channels(info.channels);
}
