#include "ProgressDialogUser.h"

#include "link/ReadWriteAction.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

DialogState Snapshot(const TFormReadWriteAtion& dialog) {
    return {dialog.ActionName->text(),
            dialog.ActionName->palette().color(QPalette::WindowText),
            dialog.ProgressBar->value(),
            dialog.ProgressBar->maximum(),
            dialog.CompareConfCheckBox->isVisibleTo(&dialog),
            dialog.CompareConfCheckBox->isChecked(),
            dialog.CompareConfCheckBox->isEnabled(),
            dialog.Button1->text()};
}

ProgressDialogUser::ProgressDialogUser() {
    connect(&timer_, &QTimer::timeout, this, &ProgressDialogUser::Look);
    timer_.start(1);
}

void ProgressDialogUser::Reset() {
    act = nullptr;
    seen.clear();
    closing = {};
    clickedClose = false;
    gaveUp = false;
    outcomeAt = {};
    watched_ = nullptr;
}

void ProgressDialogUser::Look() {
    TFormReadWriteAtion* dialog = FormReadWriteAtion.load(std::memory_order_acquire);
    if (!dialog || !dialog->isVisible())
        return;
    const auto now = std::chrono::steady_clock::now();
    if (dialog != watched_) {
        watched_ = dialog;
        firstSeen_ = now;
        connect(dialog, &QDialog::finished, this, [this, dialog] { closing = Snapshot(*dialog); });
    }
    const DialogState state = Snapshot(*dialog);
    if (seen.empty() || seen.back().caption != state.caption || seen.back().colour != state.colour ||
        seen.back().boxShown != state.boxShown)
        seen.push_back(state);
    if (act && act(*dialog))
        act = nullptr;
    if (state.button == "Закрыть" && !clickedClose) {
        clickedClose = true;
        outcomeAt = now;
        dialog->Button1->click();
    }
    if (!gaveUp && now - firstSeen_ > patience) {
        gaveUp = true;
        dialog->Stop();
    }
}
