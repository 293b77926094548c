#pragma once

#include "Dialogs.h"
#include "ImportMessageText.h"
#include "voice/WavImport.h"

#include <QString>

// Shows an import's messages as the program's warnings.
class ImportMessageBoxes final : public ImportReporter {
public:
    explicit ImportMessageBoxes(QWidget* owner) : owner_(owner) {}
    void Report(const ImportMessage& message) override {
        ShowWarning(owner_, QString::fromUtf8(message.caption.data(), qsizetype(message.caption.size())),
                    ImportMessageText(message));
    }

private:
    QWidget* owner_;
};
