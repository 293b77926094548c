#pragma once

#include "Dialogs.h"
#include "voice/WavImport.h"

#include <string_view>

// Shows an import's messages as the program's warnings.
class ImportMessageBoxes final : public ImportReporter {
public:
    explicit ImportMessageBoxes(QWidget* owner) : owner_(owner) {}
    void Report(const ImportMessage& message) override {
        ShowWarning(owner_, Utf8(message.caption), Utf8(message.text));
    }

private:
    static QString Utf8(std::string_view text) {
        return QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    QWidget* owner_;
};
