#pragma once

#include "Voicebank.h"

#include <cstdint>
#include <span>
#include <string_view>

// What every import of a recording shares, whatever its source: the messages the user is shown, the
// caller's side (messages and questions), and the capacity rule of a slot. GUI-free: the caller shows
// the messages and refreshes its display.

enum class ImportMessageKind {
    CannotOpen,        // the file cannot be opened
    ReadFailed,        // its first 16 bytes cannot be read
    BadFormat,         // any failed structure or size test
    UnsupportedFormat, // not PCM, 8000 Hz, 16 bit, mono
    AacOrM4a,          // an MP4/M4A container or bare AAC, which the converter cannot read
    NoSound,           // nothing to load: the slot is left as it was
    MemoryFull,        // no free capacity; the slot is left empty
    Truncated,         // longer than the free capacity; the import goes on with what fits
};

struct ImportMessage {
    ImportMessageKind kind;
    std::string_view text;    // UTF-8, "\n" breaks lines
    std::string_view caption; // UTF-8
    bool importGoesOn;        // false: the import has ended
    // Truncated: the samples that are loaded, of those the recording holds.
    std::uint32_t loadedSamples = 0;
    std::uint32_t fileSamples = 0;
};

// The message of each kind, with its caption: every kind of import shows the same words.
ImportMessage ImportMessageFor(ImportMessageKind kind);

// The caller's side of an import: its message box (modal, warning icon, one OK button) and its answers.
class ImportQuestions {
public:
    virtual ~ImportQuestions() = default;
    virtual void Report(const ImportMessage& message) = 0;
    // Before a recording the controller cannot play as it is gets converted; description says what it
    // is ("MP3, 44100 Гц, стерео"). The answer may change whether its level is brought up. A caller
    // that asks nobody converts.
    virtual bool Convert(std::string_view /*description*/, bool& /*normalise*/) { return true; }
    // Before a recording longer than the room is cut (`cut` says how much of it would be loaded): false
    // leaves the slot as it was. A caller that asks nobody is told, and the beginning is loaded.
    virtual bool LoadBeginning(const ImportMessage& cut) {
        Report(cut);
        return true;
    }
};

// What became of the slot; the caller refreshes its display unless it is Unchanged.
enum class ImportOutcome {
    Unchanged, // refused before anything was touched
    Emptied,   // the old phrase is gone and nothing was loaded (memory full)
    Loaded,    // the slot holds what the recording gave
};

// The capacity rule of every import: the phrase being replaced does not count against the capacity;
// with no room at all the slot is emptied; a recording of no samples is refused; one of totalSamples
// (of which samples are the first, at least as many as fit) longer than the room is cut to it once
// the caller agrees.
ImportOutcome LoadPhrase(VoiceBank& bank, std::uint8_t slot, std::span<const std::int16_t> samples,
                         std::uint64_t totalSamples, ImportQuestions& questions);
