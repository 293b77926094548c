#pragma once

#include <QObject>
#include <QString>

class QWidget;

// A file open or save dialog as the window describes it; Execute shows it through the dialog seam.
// Each dialog remembers the folder of its last choice between runs, under its name in the program's
// settings; at first it opens in the user's documents folder.
class FileDialog : public QObject {
public:
    enum class Kind { Open, Save, Folder };

    FileDialog(Kind kind, const QString& objectName, const QString& title, const QString& filter,
               const QString& defaultExt, QObject* parent);

    // Shows the dialog. True when the user chose a file; FileName then holds its full path.
    bool Execute(QWidget* parent);

    const Kind kind;
    QString Title;
    // Descriptions with their patterns in brackets, ";;" between them: "Звуковые файлы (*.wav)"
    const QString Filter;
    const QString DefaultExt;
    QString FileName;   // preset shown to the user, then the choice
    QString InitialDir; // where the dialog opens when FileName names no folder
};
