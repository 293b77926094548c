#pragma once

#include <QMessageBox>
#include <QString>

#include <exception>
#include <optional>

class FileDialog;
class QWidget;

// The one place through which every message box and file dialog of the program goes, so that tests
// can answer them without showing anything. The installed implementation is Qt's unless a test
// installs its own.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                                const QString& caption, const QString& text,
                                                QMessageBox::StandardButtons buttons) = 0;
    // A question with Yes and No and a check box under its text; `checked` goes in as the box's state
    // and comes back as the user left it.
    virtual QMessageBox::StandardButton QuestionWithOption(QWidget* parent, const QString& caption,
                                                           const QString& text, const QString& option,
                                                           bool& checked) = 0;
    // The chosen file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> ChooseFile(QWidget* parent, const FileDialog& dialog) = 0;

    static Dialogs& Current();
    static void Install(Dialogs* dialogs); // nullptr restores Qt's dialogs
};

// The title of the application: window caption, caption of the exception message box.
inline const QString kApplicationTitle = QStringLiteral("Программатор голосовых сообщений");

// A warning with an OK button, the program's usual message.
void ShowWarning(QWidget* parent, const QString& caption, const QString& text);

// The standard message box for an error that escaped a handler: error icon, the application's title.
void ShowException(QWidget* parent, const std::exception& error);
