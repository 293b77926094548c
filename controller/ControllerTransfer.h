#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "voice/Voicebank.h"

class TComPort;
class TransferView;

enum class TransferMode : std::uint8_t { Read = 0, Program = 1, Compare = 2 };

// How a transfer ended; its caption and colour have been shown through the view by then.
enum class TransferOutcome : std::uint8_t {
    Succeeded,
    Failed,     // identification, a block or a cancel: the port is still usable
    Different,  // compared, or read back after programming, and found different
    PortFailed, // the port was not open or raised an error: it is not to be touched again
};

struct TransferResult {
    TransferOutcome outcome = TransferOutcome::Failed;
    std::vector<std::uint8_t> differingEvents; // after Different: the events whose phrases differ
};

// What a transfer works on; the caller leaves both alone while the transfer runs.
struct TransferImages {
    VoiceImage& working;
    VoiceImage& scratch; // receives what is read from the controller
};

struct TransferOptions {
    // Only the memory the phrases use: programming writes up to the block that holds the last data
    // byte; a read takes the end from the controller's directory and leaves zeros after it; a compare
    // stops at the first block that differs.
    bool usedOnly = false;
};

// One transfer in the given mode over the port: identification, programming mode, then the image moved
// between the images and the controller. A read copies the scratch image into the working image only
// when it was read whole. Captions, colours and progress go through the view, which is also asked
// whether to read back after programming and polled for a cancel.
TransferResult RunControllerTransfer(TransferMode mode, TComPort& port, const TransferImages& images,
                                     TransferView& view, TransferOptions options = {});

// The line under a mismatch's caption that names the events whose phrases differ; empty for none.
std::string DifferingEventsLine(const std::vector<std::uint8_t>& events);
