#pragma once

#include "voice/BankLock.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

class VoiceBank;

// Voice files as the window's file actions handle them. Each returns the window's
// message on failure and an empty text on success.

// A file name as the command line gives it (UTF-8) as a path; a plain conversion would read it in
// Windows' ANSI code page, which cannot hold every name.
std::filesystem::path PathOf(const std::string& utf8);

// A file's failure as one sentence: the message, why, and the system's name of the error in brackets
// after it: "Невозможно открыть файл: файл не найден (ENOENT)".
std::string WithReason(const std::string& message, const std::string& why, const std::error_code& reason);
// The message of a file that could not be read, with why where the system can say; unchanged for a
// file that opens, whose content is what is wrong.
std::string WithReadReason(const std::string& file, const std::string& message);

// Reads the voice file into the bank's slots ("Открыть" of the file menu).
std::string LoadBank(const std::string& file, VoiceBank& bank);
// Packs the bank and writes it ("Сохранить").
std::string SaveBank(const std::string& file, VoiceBank& bank);

// A voice file held from its reading to its writing: another run changing the same bank waits its turn
// for a while, and a file that a program which does not wait changed meanwhile is not overwritten.
class HeldBank {
public:
    // Holds and reads the file; where `mayBeNew`, a missing file gives an empty bank.
    std::string Load(const std::string& file, VoiceBank& bank, bool mayBeNew);
    std::string Save(VoiceBank& bank);
    // Holds the file and writes the bank over whatever it held (a bank read from a controller).
    std::string Replace(const std::string& file, VoiceBank& bank);

private:
    BankLock lock_;
    std::string file_;
    bool existed_ = true;
};
