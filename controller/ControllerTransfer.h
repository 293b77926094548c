#pragma once

#include <cstdint>

class TComPort;
class TransferView;
class VoiceBank;

enum class TransferMode : std::uint8_t { Read = 0, Program = 1, Compare = 2 };

// How a transfer ended; its caption and colour have been shown through the view by then.
enum class TransferOutcome : std::uint8_t {
    Succeeded,
    Failed,     // identification, a block or a cancel: the port is still usable
    Different,  // compared, or read back after programming, and found different
    PortFailed, // the port was not open or raised an error: it is not to be touched again
};

// What a transfer works on; the caller leaves all of it alone while the transfer runs.
struct TransferBanks {
    VoiceBank& working;
    VoiceBank& scratch; // receives what is read from the controller
};

// One transfer in the given mode over the port: identification, programming mode, then the image moved
// between the banks and the controller. A read copies the scratch image into the working image only when
// the whole image was read. Captions, colours and progress go through the view, which is also asked
// whether to read back after programming and polled for a cancel.
TransferOutcome RunControllerTransfer(TransferMode mode, TComPort& port, const TransferBanks& banks,
                                      TransferView& view);
