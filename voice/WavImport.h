#pragma once

#include "Voicebank.h"

#include <cstdint>
#include <filesystem>
#include <string_view>

class ByteSource;

// Import of a WAV recording (PCM, 8000 Hz, 16 bit, mono) into one slot of a bank, replacing what the
// slot held. GUI-free: the caller shows the messages it is told about and refreshes its display.

enum class ImportMessageKind {
    CannotOpen,        // the file cannot be opened
    ReadFailed,        // its first 16 bytes cannot be read
    BadFormat,         // any failed structure or size test
    UnsupportedFormat, // not PCM, 8000 Hz, 16 bit, mono
    MemoryFull,        // no free capacity; the slot is left empty
    Truncated,         // longer than the free capacity; the import goes on with what fits
};

struct ImportMessage {
    ImportMessageKind kind;
    std::string_view text;    // UTF-8, "\n" breaks lines
    std::string_view caption; // UTF-8
    bool importGoesOn;        // false: the import has ended
    // Truncated: the samples that are loaded, of those the file holds.
    std::uint32_t loadedSamples = 0;
    std::uint32_t fileSamples = 0;
};

// The message of each kind, with its caption: recordings converted from other formats share them.
ImportMessage ImportMessageFor(ImportMessageKind kind);

// The caller's message box: modal, warning icon, one OK button.
class ImportReporter {
public:
    virtual ~ImportReporter() = default;
    virtual void Report(const ImportMessage& message) = 0;
};

// What became of the slot; the caller refreshes its display unless it is Unchanged.
enum class ImportOutcome {
    Unchanged, // refused before anything was touched
    Emptied,   // the old phrase is gone and nothing was loaded (memory full)
    Loaded,    // the slot holds what the file gave (possibly nothing, for an empty data chunk)
};

ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& file,
                        ImportReporter& reporter);

// The same import from any byte stream, read sequentially (tests and fuzzing use memory).
ImportOutcome ImportWav(VoiceBank& bank, std::uint8_t slot, ByteSource& source, ImportReporter& reporter);
