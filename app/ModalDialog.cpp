#include "ModalDialog.h"

#include <QDialog>

#include <utility>

namespace {

ModalRunner& Installed() {
    static ModalRunner runner;
    return runner;
}

} // namespace

int ShowModal(QDialog& dialog) {
    return Installed() ? Installed()(dialog) : dialog.exec();
}

void InstallModalRunner(ModalRunner runner) {
    Installed() = std::move(runner);
}
