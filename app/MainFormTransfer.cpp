// The three controller actions of the main window.
#include "MainForm.h"

#include "link/Transfer.h"

#include <QAction>
#include <QLabel>
#include <QSettings>

namespace {

// The program's own settings (~/.config/voice-programmer/); "kpq.cfg" keeps the port alone.
const QString kProgram = QStringLiteral("voice-programmer");
const QString kUsedOnlyKey = QStringLiteral("Controller/UsedOnly");

} // namespace

// Off unless the user turned it on in an earlier run: the whole memory is the controller's usual way.
void TForm1::CreateUsedOnlyAction() {
    UsedOnly = new QAction(QStringLiteral("Только занятая память"), this);
    UsedOnly->setObjectName(QStringLiteral("UsedOnly"));
    UsedOnly->setProperty("category", QStringLiteral("Controller"));
    UsedOnly->setToolTip(
        QStringLiteral("Программировать, считывать и сравнивать только память, занятую сообщениями"));
    UsedOnly->setCheckable(true);
    UsedOnly->setChecked(QSettings(kProgram, kProgram).value(kUsedOnlyKey, false).toBool());
    connect(UsedOnly, &QAction::toggled, this,
            [](bool checked) { QSettings(kProgram, kProgram).setValue(kUsedOnlyKey, checked); });
}

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
    StopPlayback();
    action.setEnabled(false);
    transferRunning = true;
    const TransferTarget target{ComPort1,
                                workingBank,
                                scratchBank,
                                *this,
                                [this](const QString& text) { StatusPanel(2)->setText(text); },
                                TransferOptions{UsedOnly->isChecked()}};
    RunTransfer(mode, target, [&] {
        if (mode == TransferMode::Read) { // whatever the outcome: a failed read left the packed image
            workingBank.UnpackImage(true);
            UpdateDisplay();
        }
    });
    transferRunning = false;
    action.setEnabled(true);
}
