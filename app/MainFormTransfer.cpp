// The three controller actions of the main window.
#include "MainForm.h"

#include "Dialogs.h"
#include "FormLayout.h"
#include "SettingsFile.h"

#include "link/Transfer.h"

#include <QAction>
#include <QLabel>
#include <QSettings>

#include <utility>

namespace {

const QString kUsedOnlyKey = QStringLiteral("Controller/UsedOnly");

} // namespace

// Off unless the user turned it on in an earlier run: the whole memory is the controller's usual way.
void TForm1::CreateUsedOnlyAction() {
    UsedOnly = new QAction(QStringLiteral("Только &занятая память"), this);
    UsedOnly->setObjectName(QStringLiteral("UsedOnly"));
    UsedOnly->setProperty("category", QStringLiteral("Controller"));
    UsedOnly->setToolTip(
        QStringLiteral("Программировать, считывать и сравнивать только память, занятую сообщениями"));
    UsedOnly->setCheckable(true);
    UsedOnly->setChecked(SettingsFile::ProgramSettings().value(kUsedOnlyKey, false).toBool());
    connect(UsedOnly, &QAction::toggled, this,
            [](bool checked) { SettingsFile::ProgramSettings().setValue(kUsedOnlyKey, checked); });
}

namespace {

constexpr int kIncompleteBankHeight = 22;

// A programming stopped part-way leaves the controller with part of the old bank and part of the new.
bool AskStopProgramming(QWidget& dialog) {
    return Dialogs::Current().Message(
               &dialog, QMessageBox::Question, QStringLiteral("Программирование голосовых сообщений"),
               QStringLiteral("Прервать программирование? В контроллере останется неполный набор сообщений."),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

} // namespace

void TForm1::ProgrammExecute() {
    RunControllerAction(*Programm, TransferMode::Program);
}

void TForm1::ReadConfExecute() {
    if (history_.Modified() &&
        Dialogs::Current().Message(
            this, QMessageBox::Warning, QStringLiteral("Считывание голосовых сообщений"),
            QStringLiteral("Голосовые сообщения заменятся считанными из контроллера. Продолжить?"),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
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
                                TransferOptions{UsedOnly->isChecked()},
                                AskStopProgramming};
    const MemoryWritten written = RunTransfer(mode, target, [&] {
        if (mode == TransferMode::Read) { // whatever the outcome: a failed read left the packed image
            workingBank.UnpackImage(true);
            BankChanged(SelectedSlot(), QStringLiteral("чтение из контроллера"));
        }
    });
    transferRunning = false;
    action.setEnabled(true);
    if (written != MemoryWritten::Nothing)
        ShowIncompleteBank(written == MemoryWritten::Part);
    // The transfer may have opened a failed port again, or found it gone for good.
    SetPanelText(*StatusPanel(1),
                 ComPort1.Connected() ? QString::fromStdString(ComPort1.Port()) : QStringLiteral("NC"));
    if (std::exchange(closeAfterTransfer_, false))
        close();
}

// Until the next programming that writes the whole bank, the window says that the controller holds an
// incomplete one: a strip below the memory group, the window taller by its height.
void TForm1::ShowIncompleteBank(bool incomplete) {
    if (incomplete == LabelIncompleteBank->isVisible())
        return;
    const int extra = incomplete ? kIncompleteBankHeight : -kIncompleteBankHeight;
    LabelIncompleteBank->setVisible(incomplete);
    centralWidget()->setFixedHeight(centralWidget()->height() + extra);
    setFixedSize(width(), height() + extra);
}
