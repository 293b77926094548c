#pragma once

#include "app/Dialogs.h"

#include <QMessageBox>
#include <QString>

#include <deque>
#include <optional>
#include <utility>
#include <vector>

// Answers the program's message boxes and file dialogs from a script and records what was asked,
// without showing anything. Installed for its lifetime.
class ScriptedDialogs final : public Dialogs {
public:
    struct MessageBoxShown {
        QMessageBox::Icon icon;
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
    };
    struct QuestionShown {
        QString caption;
        QString text;
        QString option;
        bool optionChecked; // as the box was shown
    };
    struct FileDialogShown {
        QString objectName;
        bool save;
        QString title;
        QString filter;
        QString defaultExt;
        QString presetFileName;
        QString initialDir;
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // The next message box returns this button; when none is scripted, a box returns its first button.
    void AnswerNextMessage(QMessageBox::StandardButton answer) { messageAnswers_.push_back(answer); }
    // The next question with an option returns this button and leaves its box so.
    void AnswerNextQuestion(QMessageBox::StandardButton answer, bool checked) {
        questionAnswers_.push_back({answer, checked});
    }
    // The next file dialog returns this path; when none is scripted, the user cancels.
    void ChooseNextFile(const QString& path) { fileAnswers_.push_back(path); }
    void CancelNextFile() { fileAnswers_.push_back(QString()); }

    std::vector<MessageBoxShown> messages;
    std::vector<QuestionShown> questions;
    std::vector<FileDialogShown> fileDialogs;

    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons) override;
    QMessageBox::StandardButton QuestionWithOption(QWidget* parent, const QString& caption,
                                                   const QString& text, const QString& option,
                                                   bool& checked) override;
    std::optional<QString> ChooseFile(QWidget* parent, const FileDialog& dialog) override;

private:
    std::deque<QMessageBox::StandardButton> messageAnswers_;
    std::deque<std::pair<QMessageBox::StandardButton, bool>> questionAnswers_; // unscripted: No
    std::deque<QString> fileAnswers_;                                          // a null string cancels
};
