#pragma once

#include "controller/ControllerTransfer.h"

#include <QString>

#include <functional>

class QWidget;
class TComPort;
class VoiceBank;

// What a transfer works on. All of it belongs to the main window and outlives the transfer; the GUI
// thread leaves it alone while the transfer runs.
enum class MemoryWritten : std::uint8_t { Nothing, Part, Whole };

struct TransferTarget {
    TComPort& port;
    VoiceBank& workingBank;
    VoiceBank& scratchBank; // receives what is read from the controller
    QWidget& mainWindow;    // repainted when the transfer ends
    std::function<void(const QString&)> setStatusPanel2;
    TransferOptions options;
    // Asked over the dialog when the user stops a programming before the memory is written whole;
    // true stops it. Empty: no question.
    std::function<bool(QWidget& dialog)> askStopProgramming = {};
};

// Runs one transfer behind the modal progress dialog, on the GUI thread, and returns when it is over:
// packs the working bank, starts the worker, shows the dialog until the worker closes it, runs
// afterDialogClosed, then waits for the worker and destroys both. After a read the working image holds
// the controller's memory (or, after a failure, what was packed), and afterDialogClosed unpacks it.
// Returns what became of the controller's memory: after a programming that stopped part-way it holds an
// incomplete bank.
MemoryWritten RunTransfer(TransferMode mode, const TransferTarget& target,
                          const std::function<void()>& afterDialogClosed);
