#include "controller/ControllerProtocol.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <string_view>

#include "controller/Cp1251.h"
#include "controller/ReadTimeoutsRestorer.h"
#include "serial/CPort.h"
#include "voice/Checksum.h"
#include "voice/StoredPhrase.h"
#include "voice/Voicebank.h"

namespace {

constexpr std::uint32_t kBaseAddress = 0x800; // controller address of image byte 0
constexpr std::uint32_t kBlockSize = 240;
constexpr std::size_t kBlockHeader = 5; // command, three address bytes, length
constexpr std::size_t kMaxFrame = kBlockHeader + kBlockSize + 1;

constexpr std::uint8_t kIdentifyCommand = 0x21;
constexpr std::uint8_t kWriteCommand = 0x12;
constexpr std::uint8_t kReadCommand = 0x02;
constexpr std::uint8_t kWritten = 0x00;
constexpr char kCarriageReturn = '\r';

constexpr int kIdentifyAttempts = 3;
constexpr int kWriteAttempts = 5;
constexpr int kReadAttempts = 3;
constexpr std::size_t kIdentifyAnswerLength = 23;
constexpr std::size_t kAcknowledgementLength = 7;
constexpr std::size_t kVersionLength = 8;

constexpr std::array<std::string_view, 4> kSupportedVersions{"QM.07.03", "QM.07.04", "ZR.07.01", "ZR.07.02"};
constexpr std::string_view kProgrammingCommand = "FPRG\r";

// The end of the whole blocks that hold the image's bytes before end.
std::uint32_t BlocksEnd(std::size_t end) {
    const std::size_t blocks = (std::min(end, kImageSize) + kBlockSize - 1) / kBlockSize;
    return static_cast<std::uint32_t>(std::min(blocks * kBlockSize, kImageSize));
}

// Command, little-endian controller address of the block, length: the first five bytes of every frame.
void PutBlockHeader(std::span<std::uint8_t> frame, std::uint8_t command, std::uint32_t offset,
                    std::uint8_t length) {
    const std::uint32_t address = kBaseAddress + offset;
    frame[0] = command;
    frame[1] = static_cast<std::uint8_t>(address);
    frame[2] = static_cast<std::uint8_t>(address >> 8);
    frame[3] = static_cast<std::uint8_t>(address >> 16);
    frame[4] = length;
}

bool HasChecksum(std::span<const std::uint8_t> answer) {
    return Checksum(answer.first(answer.size() - 1)) == answer.back();
}

// An answer that echoes the request's command, address and length.
bool Echoes(std::span<const std::uint8_t> answer, std::span<const std::uint8_t> request) {
    return std::equal(request.begin(), request.begin() + kBlockHeader, answer.begin());
}

} // namespace

ControllerProtocol::ControllerProtocol(TComPort& port, TransferView& view) : port_(port), view_(view) {}

std::uint8_t ControllerProtocol::Checksum(std::span<const std::uint8_t> bytes) {
    return ::Checksum(bytes);
}

char ControllerProtocol::NibbleToHex(std::uint8_t value) {
    return "0123456789ABCDEF"[value & 0x0F];
}

std::uint8_t ControllerProtocol::HexToNibble(char digit) {
    if (digit >= '0' && digit <= '9') {
        return static_cast<std::uint8_t>(digit - '0');
    }
    if (digit >= 'A' && digit <= 'F') {
        return static_cast<std::uint8_t>(digit - 'A' + 10);
    }
    return 0;
}

std::int32_t ControllerProtocol::HexEncode(std::span<const std::uint8_t> bytes, std::span<char> text) {
    if (text.empty()) {
        return 0;
    }
    const std::size_t count = std::min(bytes.size(), (text.size() - 1) / 2);
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = NibbleToHex(bytes[i] >> 4);
        text[2 * i + 1] = NibbleToHex(bytes[i]);
    }
    text[2 * count] = kCarriageReturn;
    return static_cast<std::int32_t>(2 * count + 1);
}

std::int32_t ControllerProtocol::HexDecode(std::span<const char> text, std::span<std::uint8_t> bytes) {
    const std::size_t count = text.empty() ? 0 : std::min((text.size() - 1) / 2, bytes.size());
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(HexToNibble(text[2 * i]) << 4 | HexToNibble(text[2 * i + 1]));
    }
    return static_cast<std::int32_t>(count);
}

std::int32_t ControllerProtocol::Identify() {
    view_.SetStatusPanel2(" ");
    const std::array<std::uint8_t, 2> payload{kIdentifyCommand, Checksum({&kIdentifyCommand, 1})};
    std::array<char, 2 * payload.size() + 1> request{};
    HexEncode(payload, request);
    port_.SetBaudRate(br4800);

    std::array<char, kIdentifyAnswerLength> answer{};
    const std::int32_t received = Exchange(std::as_bytes(std::span(request)),
                                           std::as_writable_bytes(std::span(answer)), kIdentifyAttempts);
    const std::string notFound = "Контроллер не найден на " + port_.Port();
    if (received != static_cast<std::int32_t>(answer.size()) || answer.back() != kCarriageReturn) {
        return Fail(notFound);
    }
    std::array<std::uint8_t, (kIdentifyAnswerLength - 1) / 2> decoded{};
    HexDecode(answer, decoded);
    if (Checksum(std::span(decoded).first(decoded.size() - 1)) != decoded.back() ||
        decoded[0] != kIdentifyCommand) {
        return Fail(notFound);
    }
    const std::string_view version(reinterpret_cast<const char*>(decoded.data() + 2), kVersionLength);
    const std::string shown = Cp1251ToUtf8(version);
    view_.SetStatusPanel2(shown);
    if (std::find(kSupportedVersions.begin(), kSupportedVersions.end(), version) !=
        kSupportedVersions.end()) {
        return 0;
    }
    return Fail("Контроллер версии " + shown + " не поддерживается");
}

void ControllerProtocol::EnterProgrammingMode() {
    port_.SetBaudRate(br4800);
    port_.ClearBuffer(true, true);
    port_.Write(kProgrammingCommand.data(), static_cast<std::int32_t>(kProgrammingCommand.size()));
}

std::int32_t ControllerProtocol::WriteImage(const VoiceImage& image, std::size_t end) {
    BeginBlocks(BlocksEnd(end));
    return TransferBlocks(BlocksEnd(end), [&](std::uint32_t offset, std::uint8_t length) {
        return WriteBlock(image, offset, length) ? 0 : 1;
    });
}

std::int32_t ControllerProtocol::ReadImage(VoiceImage& image, std::size_t end, const VoiceImage* expected) {
    BeginBlocks(BlocksEnd(end));
    bool differs = false;
    return TransferBlocks(BlocksEnd(end), [&](std::uint32_t offset, std::uint8_t length) {
        if (!ReadBlock(image, offset, length))
            return 1;
        // Bytes of the last block past end are not compared: they are no one's data.
        const auto from = static_cast<std::ptrdiff_t>(offset);
        const auto to = static_cast<std::ptrdiff_t>(std::min<std::size_t>(offset + length, end));
        differs = differs || (expected && !std::equal(image.begin() + from, image.begin() + to,
                                                      expected->begin() + from));
        // The directory is read whole first: the events that differ are named from it.
        return differs && offset + length >= kDirectorySize ? kImageDiffers : 0;
    });
}

std::int32_t ControllerProtocol::ReadUsedImage(VoiceImage& image) {
    const auto read = [&](std::uint32_t offset, std::uint8_t length) {
        return ReadBlock(image, offset, length) ? 0 : 1;
    };
    BeginBlocks(static_cast<std::uint32_t>(kImageSize)); // until the directory tells the end
    if (const std::int32_t result = TransferBlocks(BlocksEnd(kDirectorySize), read); result != 0)
        return result;
    const std::size_t used = UsedImageEnd(image);
    view_.SetProgressMax(static_cast<std::int32_t>(BlocksEnd(used)));
    const std::int32_t result = TransferBlocks(BlocksEnd(used), read);
    if (result == 0)
        std::fill(image.begin() + static_cast<std::ptrdiff_t>(used), image.end(), 0);
    return result;
}

// Every image transfer starts here: the progress bar at 0, the answer to "FPRG" waited for if one is
// due, the block speed.
void ControllerProtocol::BeginBlocks(std::uint32_t progressMax) {
    completed_ = 0;
    view_.SetProgressPosition(0);
    view_.SetProgressMax(static_cast<std::int32_t>(progressMax));
    std::uint8_t programmingAnswer = 0;
    port_.Read(&programmingAnswer, 1);
    port_.SetBaudRate(br115200);
    previousAnswerLength_ = 0;
}

// The stop-and-wait loop over the blocks from the last completed one up to end, shared by writing and
// reading. The cancel flag is looked at only after a completed block, so a block is never left half done.
template <typename Block>
std::int32_t ControllerProtocol::TransferBlocks(std::uint32_t end, Block block) {
    while (completed_ < end) {
        const auto length =
            static_cast<std::uint8_t>(std::min<std::size_t>(kBlockSize, kImageSize - completed_));
        const std::int32_t result = block(completed_, length);
        if (result == 1)
            return Fail("Ошибка передачи данных");
        completed_ += length;
        view_.SetProgressPosition(static_cast<std::int32_t>(completed_));
        if (result == kImageDiffers)
            return result;
        if (view_.CancelFlag())
            return Fail("Передача данных прервана пользователем");
    }
    return 0;
}

bool ControllerProtocol::WriteBlock(const VoiceImage& image, std::uint32_t offset, std::uint8_t length) {
    std::array<std::uint8_t, kMaxFrame> request{};
    PutBlockHeader(request, kWriteCommand, offset, length);
    std::copy_n(image.begin() + offset, length, request.begin() + kBlockHeader);
    request[kBlockHeader + length] = Checksum(std::span(request).first(kBlockHeader + length));

    std::array<std::uint8_t, kAcknowledgementLength> answer{};
    const auto frame = std::span(request).first(kBlockHeader + length + 1);
    return ExchangeBlock(frame, answer, kWriteAttempts) && Echoes(answer, request) &&
           answer[kBlockHeader] == kWritten;
}

bool ControllerProtocol::ReadBlock(VoiceImage& image, std::uint32_t offset, std::uint8_t length) {
    std::array<std::uint8_t, kBlockHeader + 1> request{};
    PutBlockHeader(request, kReadCommand, offset, length);
    request[kBlockHeader] = Checksum(std::span(request).first(kBlockHeader));

    std::array<std::uint8_t, kMaxFrame> buffer{};
    const std::span<std::uint8_t> answer = std::span(buffer).first(kBlockHeader + length + 1);
    if (!ExchangeBlock(request, answer, kReadAttempts) || !Echoes(answer, request)) {
        return false;
    }
    std::copy_n(answer.begin() + kBlockHeader, length, image.begin() + offset);
    return true;
}

// Sends the request and reads the answer, again while the answer is missing or short; returns the
// byte count of the last answer. Both queues are purged first, so nothing of an earlier try is taken.
std::int32_t ControllerProtocol::Exchange(std::span<const std::byte> request, std::span<std::byte> answer,
                                          int attempts) {
    const auto expected = static_cast<std::int32_t>(answer.size());
    std::int32_t received = 0;
    for (int attempt = 0; attempt < attempts && received != expected; ++attempt) {
        port_.ClearBuffer(true, true);
        port_.Write(request.data(), static_cast<std::int32_t>(request.size()));
        received = port_.Read(answer.data(), expected);
    }
    return received;
}

// One block's request and answer; true once a complete answer with a correct checksum came. A wrong
// checksum is line noise and counts as a missing answer. An answer that echoes the previous block is
// that block's late second acknowledgement (a retry crossed its first answer): it is dropped, and the
// attempt reads on within its own time limit.
bool ControllerProtocol::ExchangeBlock(std::span<const std::uint8_t> request, std::span<std::uint8_t> answer,
                                       int attempts) {
    const auto expected = static_cast<std::int32_t>(answer.size());
    for (int attempt = 0; attempt < attempts; ++attempt) {
        port_.ClearBuffer(true, true);
        port_.Write(request.data(), static_cast<std::int32_t>(request.size()));
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(port_.Timeouts().ReadTotalMultiplier() * expected +
                                                        port_.Timeouts().ReadTotalConstant());
        std::int32_t received = port_.Read(answer.data(), expected);
        while (received == expected && IsPreviousAnswer(answer)) {
            std::array<std::uint8_t, kMaxFrame> rest{};
            const auto restLength = static_cast<std::int32_t>(previousAnswerLength_) - expected;
            if (restLength > 0 &&
                ReadUntil(std::span(rest).first(std::size_t(restLength)), deadline) != restLength)
                break;
            received = ReadUntil(answer, deadline);
        }
        if (received == expected && !IsPreviousAnswer(answer) && HasChecksum(answer)) {
            std::copy_n(request.begin(), kBlockHeader, previousHeader_.begin());
            previousAnswerLength_ = answer.size();
            return true;
        }
    }
    return false;
}

bool ControllerProtocol::IsPreviousAnswer(std::span<const std::uint8_t> answer) const {
    return previousAnswerLength_ != 0 && Echoes(answer, previousHeader_);
}

// Reads as Read does, but gives up at the deadline however many bytes are still due.
std::int32_t ControllerProtocol::ReadUntil(std::span<std::uint8_t> into,
                                           std::chrono::steady_clock::time_point deadline) {
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (remaining <= 0)
        return 0;
    const ReadTimeoutsRestorer restorer(port_.Timeouts());
    port_.Timeouts().SetReadTotalMultiplier(0);
    port_.Timeouts().SetReadTotalConstant(static_cast<std::int32_t>(remaining));
    return port_.Read(into.data(), static_cast<std::int32_t>(into.size()));
}

std::int32_t ControllerProtocol::Fail(const std::string& caption) {
    view_.SetActionColor(TColor::clRed);
    view_.SetActionCaption(caption);
    return 1;
}
