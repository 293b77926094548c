#include "PhraseFolder.h"

#include "Adpcm.h"
#include "EventNames.h"
#include "WavExport.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>
#include <utility>

namespace {

constexpr std::array<std::string_view, 7> kAudioExtensions = {".wav",  ".mp3", ".flac", ".ogg",
                                                              ".opus", ".aif", ".aiff"};

// Quotes become apostrophes and a slash a dash, so that the name still reads as the event's.
std::string FileNameSafe(std::string_view name) {
    std::string safe;
    for (char c : name) {
        switch (c) {
        case '"':
            safe += '\'';
            break;
        case '/':
        case '\\':
            safe += '-';
            break;
        case ':':
        case '*':
        case '?':
        case '<':
        case '>':
        case '|':
            safe += '_';
            break;
        default:
            safe += static_cast<unsigned char>(c) < 0x20 ? '_' : c;
        }
    }
    return safe;
}

std::string Lowered(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {reinterpret_cast<const char*>(text.data()), text.size()};
}

std::filesystem::path FromUtf8(const std::string& text) {
    return std::u8string(reinterpret_cast<const char8_t*>(text.data()), text.size());
}

bool IsAudio(const std::filesystem::path& file) {
    const std::string extension = Lowered(Utf8(file.extension()));
    return std::find(kAudioExtensions.begin(), kAudioExtensions.end(), extension) != kAudioExtensions.end();
}

std::optional<std::uint8_t> LeadingNumber(std::string_view stem) {
    std::size_t digits = 0;
    while (digits < stem.size() && std::isdigit(static_cast<unsigned char>(stem[digits])))
        ++digits;
    if (digits == 0 || digits > 3)
        return std::nullopt;
    int number = 0;
    for (std::size_t i = 0; i < digits; ++i)
        number = number * 10 + (stem[i] - '0');
    if (number >= kEventSlotCount)
        return std::nullopt;
    return static_cast<std::uint8_t>(number);
}

} // namespace

std::string PhraseFileName(std::uint8_t event) {
    // Appended piece by piece: GCC 12's Release build takes "0" + string for an overlapping copy.
    std::string name = event < 10 ? "0" : "";
    name.append(std::to_string(event)).append(" ").append(FileNameSafe(kEventNames.at(event))).append(".wav");
    return name;
}

std::optional<std::uint8_t> EventOfFileName(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    const std::string_view stem = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
    if (const std::optional<std::uint8_t> number = LeadingNumber(stem))
        return number;
    for (std::uint8_t event = 0; event < kEventSlotCount; ++event)
        if (stem == kEventNames[event] || stem == FileNameSafe(kEventNames[event]))
            return event;
    return std::nullopt;
}

FolderPlan PlanFolder(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (entry->is_regular_file(error) && IsAudio(entry->path()))
            files.push_back(entry->path());
    std::sort(files.begin(), files.end());

    FolderPlan plan;
    std::array<bool, kEventSlotCount> taken{};
    for (const std::filesystem::path& file : files) {
        const std::optional<std::uint8_t> event = EventOfFileName(Utf8(file.filename()));
        if (!event)
            plan.unmatched.push_back(file);
        else if (std::exchange(taken[*event], true))
            plan.duplicates.push_back(file);
        else
            plan.phrases.push_back({*event, file});
    }
    return plan;
}

FolderExport ExportFolder(const VoiceBank& bank, const std::filesystem::path& folder) {
    FolderExport result;
    for (std::uint8_t event = 0; event < kEventSlotCount; ++event) {
        if (bank.Slot(event).count == 0)
            continue;
        const std::filesystem::path file = folder / FromUtf8(PhraseFileName(event));
        std::error_code reason;
        if (WriteWavFile(file, DecodeSlot(bank.Slot(event)), reason)) {
            ++result.written;
        } else {
            result.failed.push_back(file);
            result.reason = reason;
        }
    }
    return result;
}
