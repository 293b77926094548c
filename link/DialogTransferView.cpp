#include "link/DialogTransferView.h"

#include "link/ReadWriteAction.h"
#include "link/SynchronizedThread.h"

#include <QCheckBox>
#include <QProgressBar>

#include <utility>

DialogTransferView::DialogTransferView(std::function<void(const QString&)> setStatusPanel2)
    : setStatusPanel2_(std::move(setStatusPanel2)) {}

// Runs on the GUI thread, where the dialog is created and destroyed.
template <typename Change>
void DialogTransferView::ChangeDialog(Change change) {
    SynchronizedThread::Synchronize([&] {
        if (TFormReadWriteAtion* dialog = FormReadWriteAtion.load(std::memory_order_acquire)) {
            if (latestPosition_ != shownPosition_) {
                dialog->ProgressBar->setValue(latestPosition_);
                shownPosition_ = dialog->ProgressBar->value();
                barMoved_ = std::chrono::steady_clock::now();
            }
            change(*dialog);
        }
    });
}

void DialogTransferView::SetActionCaption(const std::string& caption) {
    const QString text = QString::fromStdString(caption);
    ChangeDialog([&](TFormReadWriteAtion& dialog) { dialog.SetActionCaption(text); });
}

void DialogTransferView::SetActionColor(TColor color) {
    ChangeDialog([&](TFormReadWriteAtion& dialog) { dialog.SetActionColor(color); });
}

void DialogTransferView::SetProgressMax(std::int32_t maximum) {
    ChangeDialog([&](TFormReadWriteAtion& dialog) {
        dialog.ProgressBar->setMaximum(maximum);
        maximum_ = dialog.ProgressBar->maximum();
        shownPosition_ = latestPosition_ = dialog.ProgressBar->value();
        barWidth_ = dialog.ProgressBar->width();
    });
}

void DialogTransferView::SetProgressPosition(std::int32_t position) {
    latestPosition_ = position;
    if (ChangesBar(position))
        ChangeDialog([](TFormReadWriteAtion&) {});
}

bool DialogTransferView::ChangesBar(std::int32_t position) const {
    constexpr auto kFrame = std::chrono::milliseconds(16);
    if (position == shownPosition_)
        return false;
    if (position <= 0 || position >= maximum_ || maximum_ <= 0 || barWidth_ <= 0)
        return true;
    const auto pixels = [this](std::int32_t value) {
        return static_cast<std::int64_t>(value) * barWidth_ / maximum_;
    };
    return pixels(position) != pixels(shownPosition_) &&
           std::chrono::steady_clock::now() - barMoved_ >= kFrame;
}

bool DialogTransferView::CancelFlag() const {
    const TFormReadWriteAtion* dialog = FormReadWriteAtion.load(std::memory_order_acquire);
    return dialog && dialog->CancelFlag.load();
}

void DialogTransferView::SetStatusPanel2(const std::string& text) {
    const QString panelText = QString::fromStdString(text);
    SynchronizedThread::Synchronize([&] { setStatusPanel2_(panelText); });
}

void DialogTransferView::MemoryBeingWritten(bool writing) {
    memoryWritten_ = writing ? MemoryWritten::Part : MemoryWritten::Whole;
    if (!writing)
        ChangeDialog([](TFormReadWriteAtion& dialog) { dialog.SetStopQuestion({}); });
}

void DialogTransferView::OfferReadBack() {
    ChangeDialog([](TFormReadWriteAtion& dialog) {
        dialog.CompareConfCheckBox->setVisible(true);
        dialog.CompareConfCheckBox->setChecked(true);
    });
}

bool DialogTransferView::ReadBackChosen() {
    bool chosen = false;
    ChangeDialog(
        [&](TFormReadWriteAtion& dialog) { // read and locked in one go, so the user's last change counts
            chosen = dialog.CompareConfCheckBox->isChecked();
            if (chosen)
                dialog.CompareConfCheckBox->setEnabled(false);
        });
    return chosen;
}
