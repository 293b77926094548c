#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

class VoiceBank;

// Voice files as the window's file actions handle them. Each returns the window's
// message on failure and an empty text on success.

// A file name as the command line gives it (UTF-8) as a path; a plain conversion would read it in
// Windows' ANSI code page, which cannot hold every name.
std::filesystem::path PathOf(const std::string& utf8);

// Reads the voice file into the bank's slots ("Открыть" of the file menu).
std::string LoadBank(const std::string& file, VoiceBank& bank);
// Packs the bank and writes it ("Сохранить").
std::string SaveBank(const std::string& file, VoiceBank& bank);
