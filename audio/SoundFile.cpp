#include "SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sys/socket.h>
#include <thread>
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

} // namespace

// A file's bytes fed into one end of a socket pair by a thread of its own, so that the other end
// reads as a stream of unknown length. A send to a reader that has gone fails without a signal.
class StreamFeed {
public:
    explicit StreamFeed(const std::filesystem::path& path) {
        const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends_.data()) != 0) {
            if (file >= 0)
                ::close(file);
            return;
        }
        thread_ = std::thread([this, file] {
            Feed(file);
            ::close(file);
            ::close(ends_[1]);
        });
    }
    ~StreamFeed() {
        if (ends_[0] >= 0)
            ::shutdown(ends_[0], SHUT_RDWR); // wakes a feeder blocked on a full socket
        if (thread_.joinable())
            thread_.join();
        if (ends_[0] >= 0)
            ::close(ends_[0]);
    }
    int ReadEnd() const { return ends_[0]; }

private:
    void Feed(int file) {
        std::array<char, 65536> block{};
        for (;;) {
            const ssize_t got = ::read(file, block.data(), block.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return;
            for (ssize_t sent = 0; sent < got;) {
                const ssize_t n =
                    ::send(ends_[1], block.data() + sent, std::size_t(got - sent), MSG_NOSIGNAL);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return;
                sent += n;
            }
        }
    }

    std::array<int, 2> ends_{-1, -1};
    std::thread thread_;
};

SoundFile::SoundFile(const std::filesystem::path& path) {
    std::error_code error;
    // A FIFO or a device would block the reader.
    if (!std::filesystem::is_regular_file(path, error))
        return;
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    // An MP3 file's frame count is only an estimate unless a header states it, and libsndfile reads
    // no further than its count: as a stream it has none, and the file is read to its end.
    if (file_ && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG) {
        sf_close(file_);
        feed_ = std::make_unique<StreamFeed>(path);
        info = {};
        file_ = feed_->ReadEnd() < 0 ? nullptr : sf_open_fd(feed_->ReadEnd(), SFM_READ, &info, SF_FALSE);
    }
    if (file_ && (info.samplerate <= 0 || info.channels <= 0)) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (file_) {
        info_ = {FormatName(info.format), SampleKind(info.format), info.samplerate, info.channels};
        frames_ = info.frames;
    }
}

SoundFile::~SoundFile() {
    if (file_)
        sf_close(file_);
}

std::vector<float> SoundFile::ReadMono(std::size_t frames) {
    std::vector<float> mono;
    if (!file_)
        return mono;
    // The header's count, where there is one, saves growing the buffer; it is not a limit.
    if (frames_ > 0)
        mono.reserve(std::min(frames, static_cast<std::size_t>(frames_)));
    const auto channels = static_cast<std::size_t>(info_.channels);
    constexpr std::size_t kBlockFrames = 16384;
    std::vector<float> block(kBlockFrames * channels);
    while (mono.size() < frames) {
        const std::size_t wanted = std::min(kBlockFrames, frames - mono.size());
        const sf_count_t got = sf_readf_float(file_, block.data(), static_cast<sf_count_t>(wanted));
        if (got <= 0)
            break;
        const std::size_t start = mono.size();
        mono.resize(start + static_cast<std::size_t>(got));
        const float scale = 1.0F / static_cast<float>(channels);
        for (std::size_t f = 0; f < static_cast<std::size_t>(got); ++f) {
            const float* frame = block.data() + f * channels;
            float sum = 0;
            for (std::size_t c = 0; c < channels; ++c)
                sum += frame[c];
            mono[start + f] = sum * scale;
        }
    }
    return mono;
}

bool IsAacOrM4a(const std::filesystem::path& path) {
    std::array<unsigned char, 8> head{};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(head.data()), head.size()))
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
