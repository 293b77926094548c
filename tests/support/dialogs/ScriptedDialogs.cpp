#include "ScriptedDialogs.h"

#include "app/FileDialog.h"

ScriptedDialogs::ScriptedDialogs() {
    Dialogs::Install(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    Dialogs::Install(nullptr);
}

QMessageBox::StandardButton ScriptedDialogs::Message(QWidget*, QMessageBox::Icon icon, const QString& caption,
                                                     const QString& text,
                                                     QMessageBox::StandardButtons buttons) {
    messages.push_back({icon, caption, text, buttons});
    if (!messageAnswers_.empty()) {
        const QMessageBox::StandardButton answer = messageAnswers_.front();
        messageAnswers_.pop_front();
        return answer;
    }
    for (int button = QMessageBox::FirstButton; button <= QMessageBox::LastButton; button <<= 1)
        if (buttons.testFlag(QMessageBox::StandardButton(button)))
            return QMessageBox::StandardButton(button);
    return QMessageBox::NoButton;
}

QMessageBox::StandardButton ScriptedDialogs::QuestionWithOption(QWidget*, const QString& caption,
                                                                const QString& text, const QString& option,
                                                                bool& checked) {
    questions.push_back({caption, text, option, checked});
    if (questionAnswers_.empty())
        return QMessageBox::No;
    const auto [answer, leftChecked] = questionAnswers_.front();
    questionAnswers_.pop_front();
    checked = leftChecked;
    return answer;
}

std::optional<QString> ScriptedDialogs::ChooseFile(QWidget*, const FileDialog& dialog) {
    fileDialogs.push_back({dialog.objectName(), dialog.kind == FileDialog::Kind::Save, dialog.Title,
                           dialog.Filter, dialog.DefaultExt, dialog.FileName, dialog.InitialDir});
    if (fileAnswers_.empty())
        return std::nullopt;
    const QString answer = fileAnswers_.front();
    fileAnswers_.pop_front();
    if (answer.isNull())
        return std::nullopt;
    return answer;
}
