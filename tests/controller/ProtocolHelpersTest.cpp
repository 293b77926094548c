// The pure parts of the controller protocol: checksum, hex text and the version text's code page.
#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "controller/ControllerProtocol.h"
#include "controller/Cp1251.h"

namespace {

TEST(ProtocolChecksum, MakesTheXorOfFrameAndChecksumZeroModulo256) {
    EXPECT_EQ(ControllerProtocol::Checksum({}), 0x00);
    const std::array<std::uint8_t, 1> zero{0x00};
    EXPECT_EQ(ControllerProtocol::Checksum(zero), 0x00);
    const std::array<std::uint8_t, 1> bang{0x21};
    EXPECT_EQ(ControllerProtocol::Checksum(bang), 0xDF);
    const std::array<std::uint8_t, 3> three{0x12, 0x34, 0x56}; // XOR 0x70
    EXPECT_EQ(ControllerProtocol::Checksum(three), 0x90);
}

TEST(ProtocolHex, DigitsAreUppercaseAndOnlyUppercaseIsRead) {
    EXPECT_EQ(ControllerProtocol::NibbleToHex(0x0), '0');
    EXPECT_EQ(ControllerProtocol::NibbleToHex(0x9), '9');
    EXPECT_EQ(ControllerProtocol::NibbleToHex(0xA), 'A');
    EXPECT_EQ(ControllerProtocol::NibbleToHex(0xF), 'F');
    EXPECT_EQ(ControllerProtocol::NibbleToHex(0xF3), '3'); // only the low nibble counts

    EXPECT_EQ(ControllerProtocol::HexToNibble('0'), 0);
    EXPECT_EQ(ControllerProtocol::HexToNibble('9'), 9);
    EXPECT_EQ(ControllerProtocol::HexToNibble('A'), 10);
    EXPECT_EQ(ControllerProtocol::HexToNibble('F'), 15);
    for (char other : {'a', 'f', 'G', ' ', '\r', '\0', '/', ':', '@'}) {
        EXPECT_EQ(ControllerProtocol::HexToNibble(other), 0) << other;
    }
}

TEST(ProtocolHex, EncodesHighNibbleFirstAndEndsWithCarriageReturn) {
    const std::array<std::uint8_t, 2> request{0x21, 0xDF};
    std::array<char, 5> text{};
    EXPECT_EQ(ControllerProtocol::HexEncode(request, text), 5);
    EXPECT_EQ(std::string(text.begin(), text.end()), "21DF\r");

    std::array<char, 4> tooSmall{'x', 'x', 'x', 'x'};
    EXPECT_EQ(ControllerProtocol::HexEncode(request, tooSmall), 3); // one whole byte and the CR fit
    EXPECT_EQ(std::string(tooSmall.begin(), tooSmall.end()), "21\rx");
    EXPECT_EQ(ControllerProtocol::HexEncode(request, {}), 0);
}

TEST(ProtocolHex, DecodesPairsAndNeverLooksAtTheTerminator) {
    std::array<std::uint8_t, 3> bytes{};
    const std::string text = "0AFF7";
    EXPECT_EQ(ControllerProtocol::HexDecode(text, bytes), 2);
    EXPECT_EQ(bytes[0], 0x0A);
    EXPECT_EQ(bytes[1], 0xFF);

    const std::string lowercase = "ab1fX";
    EXPECT_EQ(ControllerProtocol::HexDecode(lowercase, bytes), 2);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0x10);

    EXPECT_EQ(ControllerProtocol::HexDecode(std::string("7"), bytes), 0);
    EXPECT_EQ(ControllerProtocol::HexDecode({}, bytes), 0);
    std::array<std::uint8_t, 1> small{};
    EXPECT_EQ(ControllerProtocol::HexDecode(std::string("1234\r"), small), 1);
    EXPECT_EQ(small[0], 0x12);
}

TEST(ProtocolHex, RoundTripsEveryByte) {
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) {
        all[i] = static_cast<std::uint8_t>(i);
    }
    std::vector<char> text(2 * all.size() + 1);
    ASSERT_EQ(ControllerProtocol::HexEncode(all, text), 513);
    std::vector<std::uint8_t> back(256);
    ASSERT_EQ(ControllerProtocol::HexDecode(text, back), 256);
    EXPECT_EQ(back, all);
}

TEST(VersionText, Cp1251BecomesUtf8) {
    EXPECT_EQ(Cp1251ToUtf8("QM.07.03"), "QM.07.03");
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8"), "АяЁё");
    EXPECT_EQ(Cp1251ToUtf8("\xB9\x88"), "№€");
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD"); // unassigned in the code page
    EXPECT_EQ(Cp1251ToUtf8(std::string("\0A", 2)), std::string("\0A", 2));
}

} // namespace
