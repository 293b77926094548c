#include "Dialogs.h"

#include "FileDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>

namespace {

class QtDialogs final : public Dialogs {
public:
    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons) override {
        // A window not shown yet (the port's error at start) would put the box in the screen's corner.
        QMessageBox box(icon, caption, text, buttons, parent && parent->isVisible() ? parent : nullptr);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QMessageBox::StandardButton QuestionWithOption(QWidget* parent, const QString& caption,
                                                   const QString& text, const QString& option,
                                                   bool& checked) override {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                        parent && parent->isVisible() ? parent : nullptr);
        auto* check = new QCheckBox(option, &box);
        check->setChecked(checked);
        box.setCheckBox(check);
        const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
        checked = check->isChecked();
        return answer;
    }

    std::optional<QString> ChooseFile(QWidget* parent, const FileDialog& dialog) override {
        const bool open = dialog.kind != FileDialog::Kind::Save;
        QFileDialog box(parent, dialog.Title);
        box.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        box.setFileMode(dialog.kind == FileDialog::Kind::Folder ? QFileDialog::Directory
                        : open                                  ? QFileDialog::ExistingFile
                                                                : QFileDialog::AnyFile);
        box.setNameFilter(dialog.Filter);
        box.setDefaultSuffix(dialog.DefaultExt);
        // The window asks about replacing a file itself, in its own words.
        box.setOption(QFileDialog::DontConfirmOverwrite);
        // Qt would otherwise open in the folder any other file dialog visited last.
        box.setDirectory(dialog.InitialDir);
        if (!dialog.FileName.isEmpty())
            box.selectFile(dialog.FileName);
        if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty())
            return std::nullopt;
        return box.selectedFiles().constFirst();
    }
};

QtDialogs qtDialogs;
Dialogs* installed = &qtDialogs;

} // namespace

Dialogs& Dialogs::Current() {
    return *installed;
}

void Dialogs::Install(Dialogs* dialogs) {
    installed = dialogs ? dialogs : &qtDialogs;
}

void ShowWarning(QWidget* parent, const QString& caption, const QString& text) {
    Dialogs::Current().Message(parent, QMessageBox::Warning, caption, text, QMessageBox::Ok);
}

void ShowException(QWidget* parent, const std::exception& error) {
    Dialogs::Current().Message(parent, QMessageBox::Critical, kApplicationTitle,
                               QString::fromUtf8(error.what()), QMessageBox::Ok);
}
