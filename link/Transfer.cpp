#include "link/Transfer.h"

#include "link/DialogTransferView.h"
#include "link/ReadData.h"
#include "link/ReadWriteAction.h"
#include "voice/Voicebank.h"

#include <memory>

MemoryWritten RunTransfer(TransferMode mode, const TransferTarget& target,
                          const std::function<void()>& afterDialogClosed) {
    FormReadWriteAtion.store(nullptr, std::memory_order_release);
    target.workingBank.PackImage();

    DialogTransferView view(target.setStatusPanel2);
    auto worker = std::make_unique<TReadData>(true, mode, view, target);
    worker->start(QThread::NormalPriority);

    auto dialog = std::make_unique<TFormReadWriteAtion>();
    if (mode == TransferMode::Program)
        dialog->SetStopQuestion(target.askStopProgramming);
    FormReadWriteAtion.store(dialog.get(), std::memory_order_release);
    if (dialog->exec() != QDialog::Accepted) {
        // Not closed by the worker: the application is quitting. Stop the worker before anyone touches
        // the banks again.
        dialog->Stop();
        worker->WaitFor();
    }
    if (afterDialogClosed)
        afterDialogClosed();
    worker.reset(); // waits for the worker, serving its last hand-overs
    FormReadWriteAtion.store(nullptr, std::memory_order_release);
    dialog.reset();
    return view.Written();
}
