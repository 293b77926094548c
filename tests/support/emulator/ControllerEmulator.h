#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/Faults.h"

// A stand-in for the controller at the far end of a serial line, served on a fresh pseudo-terminal.
//
// The program under test opens SlavePath() as its serial port; the emulator answers on the master side
// from its own thread, as the controller would:
//   identification  "21DF\r" at 4800 baud  -> 23 characters: hex of 0x21, 0x00, the 8-character
//                                               firmware version and their checksum, then CR
//   "FPRG\r" at 4800 baud                    -> one byte; the controller is then in programming mode
//   write block 0x12 at 115200 baud          -> stores the data, answers the 7-byte acknowledgement
//   read block 0x02 at 115200 baud           -> answers with its memory
// Every request is checked (checksum, address, length, block alignment, programming mode) and so is the
// line setting the master's termios shows when a request begins (speed, 8N1, no flow control, raw). A
// request that fails a check is recorded in Violations() and not answered; a bad line setting is
// recorded and the request is served all the same. A new identification leaves programming mode.
// Linux forces 8 data bits and no parity on a pseudo-terminal, so those two cannot be seen here.
//
// All methods may be called from any thread while the emulator serves. Nothing is allocated per request.
namespace emulator {

struct Counters {
    int identifications = 0;
    int programmingCommands = 0;
    int writeBlocks = 0; // requests served, retries included; refused ones are only in Violations()
    int readBlocks = 0;
};

struct Options {
    std::string firmware = "QM.07.03"; // exactly 8 characters on the wire: cut or padded with spaces
    std::uint8_t memoryFill = 0xFF;    // the memory the emulator starts with
    bool paced = false;                // see SetPaced
    std::size_t transcriptCapacity = 2u << 20;
    // Takes a line that ignores breaks (IGNBRK) as raw: Wine's serial ports set it, and it drops break
    // conditions only, never a data byte.
    bool breaksMayBeIgnored = false;
};

class ControllerEmulator {
public:
    // Opens a fresh pseudo-terminal and starts serving. Throws std::system_error when no
    // pseudo-terminal can be had.
    explicit ControllerEmulator(const Options& options = {});
    ~ControllerEmulator(); // Stop()
    ControllerEmulator(const ControllerEmulator&) = delete;
    ControllerEmulator& operator=(const ControllerEmulator&) = delete;

    const std::string& SlavePath() const;

    // Ends the serving thread and closes the line; the memory and all records stay readable.
    void Stop();

    // Copies memory bytes offset ... offset + size - 1 (image offsets, address - 0x800); out of range
    // throws std::out_of_range.
    void ReadMemory(std::size_t offset, std::span<std::uint8_t> out) const;
    void WriteMemory(std::size_t offset, std::span<const std::uint8_t> bytes);

    void SetFirmware(std::string_view version);
    // Paced: a request's bytes are taken as arriving one after another at the line's speed from when
    // the emulator reads them, and each answer is handed over only when it would have been sent
    // completely after that: 10 bits per byte at the speed the master's termios shows.
    void SetPaced(bool paced);
    // A gate for tests that must see a stage running: answers to requests of the held stage wait until
    // Release (retries that the program sends meanwhile are answered after it, in order).
    void Hold(Stage stage);
    void Release();
    void InjectFault(const Fault& fault); // faults accumulate; delays add up, the first other one wins
    void ClearFaults();

    Counters Count() const;
    // Distinct speeds (bits per second, ascending) that the master's termios showed for a stage's requests.
    std::vector<int> SpeedsSeen(Stage stage) const;
    // Distinct descriptions of bad line settings and refused requests, in order of first occurrence.
    std::vector<std::string> Violations() const;
    // Everything the master sent, up to Options::transcriptCapacity bytes.
    std::vector<std::uint8_t> Transcript() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace emulator
