#include "FileDialog.h"

#include "Dialogs.h"
#include "SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QString SettingsKey(const QString& dialog) {
    return QStringLiteral("FileDialogs/") + dialog;
}

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

FileDialog::FileDialog(Kind kind, const QString& objectName, const QString& title, const QString& filter,
                       const QString& defaultExt, QObject* parent)
    : QObject(parent), kind(kind), Title(title), Filter(filter), DefaultExt(defaultExt) {
    setObjectName(objectName);
    const QString remembered = SettingsFile::ProgramSettings().value(SettingsKey(objectName)).toString();
    InitialDir = !remembered.isEmpty() && QFileInfo(remembered).isDir() ? remembered : DocumentsFolder();
}

bool FileDialog::Execute(QWidget* parent) {
    const std::optional<QString> chosen = Dialogs::Current().ChooseFile(parent, *this);
    if (!chosen || chosen->isEmpty())
        return false;
    FileName = *chosen;
    // A chosen folder is where the next choice starts, not its parent.
    InitialDir = kind == Kind::Folder ? FileName : QFileInfo(FileName).absolutePath();
    SettingsFile::ProgramSettings().setValue(SettingsKey(objectName()), InitialDir);
    return true;
}
