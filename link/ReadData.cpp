// The transfer worker's side of TReadData: one transfer from the wait for the dialog to its closing.
#include "link/ReadData.h"

#include "controller/ReadTimeoutsRestorer.h"
#include "link/ReadWriteAction.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

#include <QPushButton>

#include <chrono>
#include <thread>

namespace {

// The end phase looks at the cancel flag this often when it can't drain the port.
constexpr auto kClickPoll = std::chrono::milliseconds(200);
constexpr std::int32_t kDrainBytes = 3;
// The longest draining read: the controller line's own read time-out for kDrainBytes.
constexpr std::int32_t kLongestDrainMs = 215;

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
    : Mode(mode), port_(target.port),
      view_(view), images_{target.workingBank.image, target.scratchBank.image}, options_(target.options),
      mainWindow_(&target.mainWindow) {
    if (!createSuspended)
        start(QThread::NormalPriority);
}

TReadData::~TReadData() {
    WaitFor();
}

void TReadData::Execute() {
    TFormReadWriteAtion& dialog = AwaitDialog();
    const TransferResult result = RunControllerTransfer(Mode, port_, images_, view_, options_);
    EndPhase(dialog, result.outcome != TransferOutcome::PortFailed);
}

// Leaves the outcome up until the user closes the dialog. Meanwhile whatever the controller still sends
// is drained from an open port; a closed or failed port is not touched again.
void TReadData::EndPhase(TFormReadWriteAtion& dialog, bool drainPort) {
    Synchronize([&] { dialog.repaint(); });
    if (!dialog.CancelFlag.load())
        Synchronize([&] {
            dialog.SetStopQuestion({}); // "Закрыть" stops nothing
            dialog.Button1->setText("Закрыть");
        });
    while (!dialog.CancelFlag.load()) {
        if (drainPort)
            drainPort = Drain();
        else
            std::this_thread::sleep_for(kClickPoll);
    }
    Synchronize([&] { dialog.done(QDialog::Accepted); });
    Synchronize([this] { mainWindow_->repaint(); });
}

// One draining read, which lasts up to the port's read time-out, and no longer than the line's own, so
// that a click takes effect as soon with a port given more patience (or none: a total of 0 waits for
// ever); false once the port has failed. A read that comes back empty at once (a line gone without an
// error) is paced like the poll.
bool TReadData::Drain() {
    const auto start = std::chrono::steady_clock::now();
    try {
        TComTimeouts& timeouts = port_.Timeouts();
        const ReadTimeoutsRestorer restorer(timeouts);
        const std::int64_t total =
            std::int64_t{timeouts.ReadTotalMultiplier()} * kDrainBytes + timeouts.ReadTotalConstant();
        if (total <= 0 || total > kLongestDrainMs) {
            timeouts.SetReadTotalMultiplier(0);
            timeouts.SetReadTotalConstant(kLongestDrainMs);
        }
        std::uint8_t scrap[kDrainBytes];
        if (port_.Read(scrap, kDrainBytes) == 0)
            std::this_thread::sleep_until(start + kClickPoll);
        return true;
    } catch (const EComPort&) {
        return false;
    }
}
