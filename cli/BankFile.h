#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "voice/WavImport.h"

class VoiceBank;

// Voice files and recordings as the window's file actions handle them. Each returns the window's
// message on failure and an empty text on success.

// A file name as the command line gives it (UTF-8) as a path; a plain conversion would read it in
// Windows' ANSI code page, which cannot hold every name.
std::filesystem::path PathOf(const std::string& utf8);

// Reads the voice file into the bank's slots ("Открыть" of the file menu).
std::string LoadBank(const std::string& file, VoiceBank& bank);
// Packs the bank and writes it ("Сохранить").
std::string SaveBank(const std::string& file, VoiceBank& bank);

// Loads a recording into the event's slot as the window's "Открыть" does: a WAV in the controller's own
// format as it stands, any other recording the converter reads converted (with normalise, its loudness
// brought to the other phrases'), telling the reporter what the window would show. converted receives what the
// recording was ("MP3, 44100 Гц, стерео") when it was converted, and is emptied otherwise.
ImportOutcome ImportRecording(VoiceBank& bank, std::uint8_t event, const std::string& file, bool normalise,
                              ImportReporter& reporter, std::string& converted);
