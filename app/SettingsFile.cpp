#include "SettingsFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>
#include <cstring>

namespace SettingsFile {
namespace {

constexpr char kHeader[] = "[KestrovanupalmerithCfg]";
constexpr std::size_t kHeaderSize = sizeof(kHeader) - 1;
constexpr std::array<char, 4> kMagic = {'\x12', '\xB9', '\xF5', '\x58'}; // 0x58F5B912, little-endian
constexpr char kFallbackPortNumber = 2;

static_assert(kHeaderSize == 24 && kHeaderSize + 1 + kMagic.size() == kRecordSize);

// 1 to 8 for exactly "COM1" to "COM8", else 0.
char ComNumber(const std::string& name) {
    for (char n = 1; n <= 8; ++n)
        if (name == "COM" + std::to_string(n))
            return n;
    return 0;
}

// A name is taken only when it is what Save writes: 1 to 255 bytes of UTF-8 without NUL.
std::optional<std::string> ValidName(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > qsizetype(kMaxNameSize) || bytes.contains('\0'))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)QString(utf8(bytes));
    if (utf8.hasError())
        return std::nullopt;
    return bytes.toStdString();
}

} // namespace

std::uint16_t Save(const QString& path, const std::string& portName) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const char com = ComNumber(portName);
    const char number = com ? com : kFallbackPortNumber;
    bool written = file.write(kHeader, kHeaderSize) == qint64(kHeaderSize) && file.write(&number, 1) == 1 &&
                   file.write(kMagic.data(), kMagic.size()) == qint64(kMagic.size());
    if (written && !com && !portName.empty() && portName.size() <= kMaxNameSize)
        written = file.write(portName.data(), qint64(portName.size())) == qint64(portName.size());
    // An uncommitted QSaveFile is discarded, so a failed write leaves the old file as it was.
    return written && file.commit() ? 0 : 1;
}

Loaded Load(const QString& path) {
    Loaded loaded;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return loaded;

    // Bytes that a short file does not deliver keep these values, so such a file fails only at the magic.
    char header[kHeaderSize + 1];
    std::memcpy(header, kHeader, sizeof(header));
    char number = kFallbackPortNumber;
    std::array<char, 4> magic{};

    if (file.read(header, kHeaderSize) < 0 || std::strcmp(header, kHeader) != 0)
        return loaded;
    if (file.read(&number, 1) < 0)
        return loaded;
    if (number >= 1 && number <= 8)
        loaded.port = "COM" + std::to_string(int(number));
    if (file.read(magic.data(), magic.size()) < 0 || magic != kMagic)
        return loaded;

    const QByteArray rest = file.read(kMaxNameSize + 1);
    if (std::optional<std::string> name = ValidName(rest))
        loaded.port = std::move(name);
    loaded.result = 0;
    return loaded;
}

} // namespace SettingsFile
