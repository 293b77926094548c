#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controller/ControllerTransfer.h"

class ProgressBoard;
class TComPort;
class TransferView;

// What became of one port.
struct PortReport {
    std::string port;
    TransferOutcome outcome = TransferOutcome::Failed;
    bool cancelled = false; // stopped by Ctrl+C
    std::string message;    // the outcome's caption, or the port's error
    std::string firmware;   // as the controller reported it, also when it was refused
    double seconds = 0;
    std::vector<std::uint8_t> differingEvents;
};

// The work on one open port, reporting through the view.
using PortWork = std::function<TransferResult(TComPort& port, TransferView& view)>;

// Opens each port as the window opens its own and runs the work on it, all ports at once, one thread
// each; one port's failure leaves the others alone. Progress goes to the board's row of the same
// index. readBack answers the programming's read-back question. Ctrl+C stops every port after its
// current block.
std::vector<PortReport> RunOnPorts(const std::vector<std::string>& ports, const PortWork& work, bool readBack,
                                   ProgressBoard& board);
