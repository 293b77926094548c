#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "controller/TransferView.h"
#include "voice/Voicebank.h"

class TComPort;

// The controller protocol over an open port whose time-outs are those of SetUpControllerLine:
// identification in hex text at 4800 baud, the programming-mode command, then the whole voice memory in
// acknowledged blocks of 240 bytes at 115200 baud.
//
// Each operation returns 0 on success and 1 on failure, the reason already shown through the view.
// An EComPort raised by the port leaves an operation at once and reaches the caller. Frames are built
// in fixed buffers; nothing is allocated per block.
class ControllerProtocol {
public:
    ControllerProtocol(TComPort& port, TransferView& view);

    // 0 when a controller with a supported firmware version answered; its version goes to status panel 2.
    std::int32_t Identify();
    // "FPRG" and CR at 4800 baud; the controller's one-byte answer is waited for by the image transfer.
    void EnterProgrammingMode();
    // Writes the image's blocks from byte 0 up to the block that holds byte end - 1.
    std::int32_t WriteImage(const VoiceImage& image, std::size_t end = kImageSize);
    // Reads the controller's blocks from byte 0 up to the block that holds byte end - 1 into the image;
    // after a failure, a cancel or a port error the image holds the blocks completed so far and is
    // unchanged beyond them. With expected, returns kImageDiffers (showing nothing) after the first block
    // whose bytes before end differ from it, though not before the directory was read whole.
    std::int32_t ReadImage(VoiceImage& image, std::size_t end = kImageSize,
                           const VoiceImage* expected = nullptr);
    // Reads the blocks that hold the directory, then those up to the end of the phrases it states; once
    // all were read, the image is zeros after that end.
    std::int32_t ReadUsedImage(VoiceImage& image);
    // How many bytes from the image's start the last of the three above completed.
    std::size_t Completed() const { return completed_; }

    static constexpr std::int32_t kImageDiffers = 2;

    static std::uint8_t Checksum(std::span<const std::uint8_t> bytes);
    static char NibbleToHex(std::uint8_t value); // the low 4 bits as "0"-"9", "A"-"F"
    static std::uint8_t HexToNibble(char digit); // anything but "0"-"9", "A"-"F" gives 0
    // Two digits per byte, high nibble first, then CR; returns the characters written (2n + 1). Only the
    // whole bytes that fit in text with the CR are encoded.
    static std::int32_t HexEncode(std::span<const std::uint8_t> bytes, std::span<char> text);
    // Decodes (m - 1) / 2 bytes from m characters, the last one (the terminator) unread; returns the count.
    // Stops when bytes is full.
    static std::int32_t HexDecode(std::span<const char> text, std::span<std::uint8_t> bytes);

private:
    bool WriteBlock(const VoiceImage& image, std::uint32_t offset, std::uint8_t length);
    bool ReadBlock(VoiceImage& image, std::uint32_t offset, std::uint8_t length);
    void BeginBlocks(std::uint32_t progressMax);
    template <typename Block>
    std::int32_t TransferBlocks(std::uint32_t end, Block block);
    std::int32_t Exchange(std::span<const std::byte> request, std::span<std::byte> answer, int attempts);
    bool ExchangeBlock(std::span<const std::uint8_t> request, std::span<std::uint8_t> answer, int attempts);
    bool IsPreviousAnswer(std::span<const std::uint8_t> answer) const;
    std::int32_t ReadUntil(std::span<std::uint8_t> into, std::chrono::steady_clock::time_point deadline);
    std::int32_t Fail(const std::string& caption);

    TComPort& port_;
    TransferView& view_;
    std::uint32_t completed_ = 0;
    // The last completed block's command, address and length, and the length of its answer (0 before
    // the first block).
    std::array<std::uint8_t, 5> previousHeader_{};
    std::size_t previousAnswerLength_ = 0;
};
