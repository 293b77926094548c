// The three controller actions of the main window.
#include "MainForm.h"

#include "link/Transfer.h"

#include <QAction>
#include <QLabel>

void TForm1::ProgrammExecute() {
    RunControllerAction(*Programm, TransferMode::Program);
}

void TForm1::ReadConfExecute() {
    RunControllerAction(*ReadConf, TransferMode::Read);
}

void TForm1::CompareConfExecute() {
    RunControllerAction(*CompareConf, TransferMode::Compare);
}

// The invoked action stays disabled and the window refuses to close until the transfer is over: the
// worker reads and writes the banks' images and drives the port meanwhile.
void TForm1::RunControllerAction(QAction& action, TransferMode mode) {
    action.setEnabled(false);
    transferRunning = true;
    const TransferTarget target{ComPort1,
                                workingBank,
                                scratchBank,
                                *this,
                                [this](const QString& text) { StatusPanel(2)->setText(text); },
                                TransferOptions{}};
    RunTransfer(mode, target, [&] {
        if (mode == TransferMode::Read) { // whatever the outcome: a failed read left the packed image
            workingBank.UnpackImage(true);
            UpdateDisplay();
        }
    });
    transferRunning = false;
    action.setEnabled(true);
}
