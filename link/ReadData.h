#pragma once

#include "controller/ControllerTransfer.h"
#include "link/SynchronizedThread.h"
#include "link/Transfer.h"

class TComPort;
class TFormReadWriteAtion;
class TransferView;

// The transfer worker: carries out one transfer in its Mode behind the progress dialog (see Execute).
class TReadData : public SynchronizedThread {
public:
    // Started at once unless createSuspended.
    TReadData(bool createSuspended, TransferMode mode, TransferView& view, const TransferTarget& target);
    ~TReadData() override;

    const TransferMode Mode = TransferMode::Read;

protected:
    // Waits for the dialog, runs the mode's steps, shows the outcome, waits for the click on "Закрыть"
    // and closes the dialog. A port error ends the transfer with the port's message.
    void Execute() override;

private:
    void EndPhase(TFormReadWriteAtion& dialog, bool drainPort);
    bool Drain();

    TComPort& port_;
    TransferView& view_;
    TransferImages images_;
    TransferOptions options_;
    QWidget* mainWindow_ = nullptr;
};
