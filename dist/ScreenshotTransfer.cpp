// The transfer window at the end of a programming with read-back, against the controller emulator of
// the tests: two blocks read back wrong, so that the window names the two events they lie in.
#include "Screenshot.h"

#include "app/MainForm.h"
#include "emulator/ControllerEmulator.h"
#include "emulator/PatientLine.h"
#include "link/ReadWriteAction.h"

#include <QAction>
#include <QPushButton>
#include <QTimer>

namespace {

// A block that starts inside the event's phrase.
int BlockInPhrase(const VoiceBank& bank, std::uint8_t event) {
    return int(bank.DirectoryEntry(event).address / emulator::kBlockSize) + 1;
}

} // namespace

bool TransferScene(TForm1& window, const QString& picture) {
    emulator::ControllerEmulator controller;
    window.ComPort1.Close();
    GiveTheEmulatorTime(window.ComPort1);
    window.ComPort1.SetPort(controller.SlavePath());
    window.UsedOnly->setChecked(true); // the phrases only: a short transfer
    window.workingBank.PackImage();
    for (std::uint8_t event : {3, 12})
        controller.InjectFault({emulator::Stage::ReadBlock, emulator::FaultKind::WrongDataByte,
                                BlockInPhrase(window.workingBank, event)});
    bool saved = false;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        TFormReadWriteAtion* dialog = FormReadWriteAtion.load();
        if (!dialog || dialog->Button1->text() != QStringLiteral("Закрыть"))
            return;
        look.stop();
        WaitFor([&] { return dialog->frameGeometry() != dialog->geometry(); });
        saved = SaveShown(*dialog, {dialog}, picture);
        dialog->Button1->click();
    });
    look.start(20);
    window.Programm->trigger();
    return saved;
}
