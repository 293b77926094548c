#pragma once

#include <functional>

class QDialog;

// Shows one of the program's own dialogs modally and returns its result. Tests install a runner that
// works the dialog itself, so that no event loop waits for a user and no timer hunts for the dialog.
int ShowModal(QDialog& dialog);

using ModalRunner = std::function<int(QDialog&)>;
void InstallModalRunner(ModalRunner runner); // an empty runner restores QDialog::exec
