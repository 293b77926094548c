// The transfer worker's side of TReadData: one transfer from the wait for the dialog to its closing.
#include "link/ReadData.h"

#include "link/CPort.h"
#include "link/ReadWriteAction.h"
#include "voice/Voicebank.h"

#include <QCheckBox>
#include <QPushButton>

#include <chrono>
#include <thread>

namespace {

// The end phase looks at the cancel flag this often when it can't drain the port.
constexpr auto kClickPoll = std::chrono::milliseconds(200);
constexpr std::int32_t kDrainBytes = 3;

TFormReadWriteAtion& AwaitDialog() {
    for (;;) {
        if (TFormReadWriteAtion* dialog = FormReadWriteAtion.load(std::memory_order_acquire))
            return *dialog;
        std::this_thread::sleep_for(std::chrono::milliseconds(1)); // the GUI thread is creating it now
    }
}

} // namespace

TReadData::TReadData(bool createSuspended, TransferMode mode, TransferView& view,
                     const TransferTarget& target)
    : Mode(mode), port_(target.port), view_(view), workingBank_(&target.workingBank),
      scratchBank_(&target.scratchBank), mainWindow_(&target.mainWindow) {
    if (!createSuspended)
        start(QThread::NormalPriority);
}

TReadData::~TReadData() {
    WaitFor();
}

void TReadData::ShowCompareOption() {
    FormReadWriteAtion.load(std::memory_order_acquire)->CompareConfCheckBox->setVisible(true);
}

void TReadData::Execute() {
    TFormReadWriteAtion& dialog = AwaitDialog();
    bool portUsable = port_.Connected();
    try {
        if (!portUsable)
            ShowOutcome(TColor::clRed, "Указанный COM порт не найден");
        else if (Mode == TransferMode::Read)
            ReadController();
        else if (Mode == TransferMode::Program)
            ProgramController(dialog);
        else if (Mode == TransferMode::Compare)
            CompareController();
    } catch (const EComPort& error) {
        // A pulled USB adapter, most often: the transfer ends with the port's own words.
        ShowOutcome(TColor::clRed, std::string("Ошибка передачи данных\n") + error.what());
        portUsable = false;
    }
    EndPhase(dialog, portUsable);
}

// Identification, programming mode and the whole memory into the scratch bank; false when any of them
// failed (the reason is already shown).
bool TReadData::ReadIntoScratchBank() {
    view_.SetActionCaption("Идентификация...");
    if (Identify() != 0)
        return false;
    view_.SetActionCaption("Чтение голосовых сообщений...");
    EnterProgrammingMode();
    return ReadImage(*scratchBank_) == 0;
}

void TReadData::ReadController() {
    if (!ReadIntoScratchBank())
        return;
    VoiceBank::CopyImage(*workingBank_, *scratchBank_);
    ShowOutcome(TColor::clBlue, "Голосовые сообщения считаны");
}

void TReadData::ProgramController(TFormReadWriteAtion& dialog) {
    QCheckBox& verify = *dialog.CompareConfCheckBox;
    Synchronize([this] { ShowCompareOption(); });
    Synchronize([&] { verify.setChecked(true); });

    view_.SetActionCaption("Идентификация...");
    if (Identify() != 0)
        return;
    view_.SetActionCaption("Программирование голосовых сообщений...");
    EnterProgrammingMode();
    if (WriteImage(*workingBank_) != 0)
        return;

    bool readBack = false;
    Synchronize([&] { // read and locked in one go, so the user's last change counts
        readBack = verify.isChecked();
        if (readBack)
            verify.setEnabled(false);
    });
    if (!readBack) {
        ShowOutcome(TColor::clBlue, "Программирование завершено без проверки");
        return;
    }
    view_.SetActionCaption("Чтение голосовых сообщений...");
    if (ReadImage(*scratchBank_) != 0)
        return;
    if (VoiceBank::CompareImages(*workingBank_, *scratchBank_))
        ShowOutcome(TColor::clBlue, "Программирование завершено успешно");
    else
        ShowOutcome(TColor::clRed, "Ошибка, найдены несоответствия в данных");
}

void TReadData::CompareController() {
    if (!ReadIntoScratchBank())
        return;
    if (VoiceBank::CompareImages(*workingBank_, *scratchBank_))
        ShowOutcome(TColor::clBlue, "Сообщеня контроллера аналогичны текущим");
    else
        ShowOutcome(TColor::clRed, "Сообщеня контроллера отличаются от текущих");
}

void TReadData::ShowOutcome(TColor color, const std::string& caption) {
    view_.SetActionColor(color);
    view_.SetActionCaption(caption);
}

// Leaves the outcome up until the user closes the dialog. Meanwhile whatever the controller still sends
// is drained from an open port; a closed or failed port is not touched again.
void TReadData::EndPhase(TFormReadWriteAtion& dialog, bool drainPort) {
    Synchronize([&] { dialog.repaint(); });
    if (!dialog.CancelFlag.load())
        Synchronize([&] { dialog.Button1->setText("Закрыть"); });
    while (!dialog.CancelFlag.load()) {
        if (drainPort)
            drainPort = Drain();
        else
            std::this_thread::sleep_for(kClickPoll);
    }
    Synchronize([&] { dialog.done(QDialog::Accepted); });
    Synchronize([this] { mainWindow_->repaint(); });
}

// One draining read, which lasts up to the port's read time-out; false once the port has failed. A read
// that comes back empty at once (a line gone without an error) is paced like the poll.
bool TReadData::Drain() {
    const auto start = std::chrono::steady_clock::now();
    try {
        std::uint8_t scrap[kDrainBytes];
        if (port_.Read(scrap, kDrainBytes) == 0)
            std::this_thread::sleep_until(start + kClickPoll);
        return true;
    } catch (const EComPort&) {
        return false;
    }
}
