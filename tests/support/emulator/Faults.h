#pragma once

#include <cstddef>
#include <cstdint>

namespace emulator {

inline constexpr std::size_t kMemorySize = 539648;
inline constexpr std::uint32_t kBaseAddress = 0x800; // controller address of memory byte 0
inline constexpr std::size_t kBlockSize = 240;

enum class Stage { Identification, ProgrammingCommand, WriteBlock, ReadBlock };

enum class FaultKind {
    NoAnswer,      // the request is lost: nothing is answered, a write block is not stored
    ShortAnswer,   // the answer without its last byte (22 characters for the identification)
    LowercaseHex,  // identification only: the hex letters of the answer in lowercase
    WrongChecksum, // the answer's checksum byte is wrong
    WrongEcho,     // a right checksum over a wrong echo: the address (blocks) or byte 0 (identification)
    Status1,       // write block only: status byte 1, nothing stored
    WrongDataByte, // read block only: the first data byte is wrong, the checksum matches it
    HangUp,        // the line closes before the answer; the emulator serves no more
    Delay,         // the answer (right, or spoilt by another matching fault) comes delayMs late
};

inline constexpr int kAnyBlock = -1;
inline constexpr int kEveryAttempt = 0;

// A fault applies to the requests of one stage that match its block and attempt. Blocks are numbered
// from 0 by address (240 bytes each); identification and "FPRG" requests have no block. The attempt is
// counted from 1 over consecutive requests of the same stage and block, so a retry is attempt 2.
struct Fault {
    Stage stage = Stage::WriteBlock;
    FaultKind kind = FaultKind::NoAnswer;
    int block = kAnyBlock;
    int attempt = kEveryAttempt;
    int delayMs = 0; // FaultKind::Delay only
};

} // namespace emulator
