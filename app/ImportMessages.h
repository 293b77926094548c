#pragma once

#include "voice/Import.h"

#include <QString>

class QWidget;

// An import's messages as the program's warnings, and its questions as the window asks them: the
// conversion of a recording (named recordingName) with the choice of levelling it, kept in
// *normaliseChoice for the next one. While a recording is converted the cursor is busy; a message
// shows with the ordinary one.
class ImportMessageBoxes final : public ImportQuestions {
public:
    explicit ImportMessageBoxes(QWidget* owner, QString recordingName = {}, bool* normaliseChoice = nullptr);
    ~ImportMessageBoxes() override;
    ImportMessageBoxes(const ImportMessageBoxes&) = delete;
    ImportMessageBoxes& operator=(const ImportMessageBoxes&) = delete;

    void Report(const ImportMessage& message) override;
    bool Convert(std::string_view description, bool& normalise) override;
    bool LoadBeginning(const ImportMessage& cut) override;

private:
    void ReleaseCursor();

    QWidget* owner_;
    QString recordingName_;
    bool* normaliseChoice_;
    bool busy_ = false;
};
