#pragma once

#include <QSettings>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// The settings file "kpq.cfg": a 24-byte header, the port number 1 to 8 ("COM1" to "COM8"), a 4-byte
// magic number. A port that has no number (a Linux device name or path, COM9 and above) follows these
// 29 bytes as its name, and the number byte then says 2, so a reader that knows only the 29 bytes falls
// back to "COM2".
namespace SettingsFile {

inline const QString kFileName = QStringLiteral("kpq.cfg");
// The program's own settings (~/.config/voice-programmer/, QSettings' organisation and application);
// kFileName keeps the port alone. On Windows an INI file under %APPDATA% rather than the registry: it
// can be copied with the program, and pointed elsewhere by QSettings::setPath as on Linux.
inline const QString kProgramSettings = QStringLiteral("voice-programmer");
#ifdef _WIN32
inline constexpr QSettings::Format kProgramSettingsFormat = QSettings::IniFormat;
#else
inline constexpr QSettings::Format kProgramSettingsFormat = QSettings::NativeFormat;
#endif

inline QSettings ProgramSettings() {
    return QSettings(kProgramSettingsFormat, QSettings::UserScope, kProgramSettings, kProgramSettings);
}

inline constexpr std::size_t kRecordSize = 29;
inline constexpr std::size_t kMaxNameSize = 255;

struct Loaded {
    std::uint16_t result = 1;        // 0 only for a complete, valid record
    std::optional<std::string> port; // set as soon as the header was valid and the number 1 to 8
};

// Writes the file anew; 0 on success, 1 on any failure. An existing file is replaced only by a complete one.
std::uint16_t Save(const QString& path, const std::string& portName);

Loaded Load(const QString& path);

} // namespace SettingsFile
