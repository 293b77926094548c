#include "FileDialog.h"

#include "Dialogs.h"

#include <QFileInfo>

FileDialog::FileDialog(Kind kind, const QString& objectName, const QString& title, const QString& filter,
                       const QString& defaultExt, QObject* parent)
    : QObject(parent), kind(kind), Title(title), Filter(filter), DefaultExt(defaultExt) {
    setObjectName(objectName);
}

bool FileDialog::Execute(QWidget* parent) {
    const std::optional<QString> chosen = Dialogs::Current().ChooseFile(parent, *this);
    if (!chosen || chosen->isEmpty())
        return false;
    FileName = *chosen;
    InitialDir = QFileInfo(FileName).absolutePath();
    return true;
}
