#pragma once

#include <QString>

#include <memory>

class QApplication;
class SingleInstance;
class TForm1;

// The toolkit. Without a display to show the window on, the program tells so in one line on the
// standard error stream and ends with exit code 1.
std::unique_ptr<QApplication> CreateApplication(int& argc, char** argv);

// Qt's own Russian texts for the standard buttons and the file dialogs, as the rest of the interface.
void LoadTranslations(QApplication& application);

// Refuses to start when the instance is not the first copy: tells the user and returns nothing.
// Otherwise creates the main window and runs its start-up; the caller shows it.
std::unique_ptr<TForm1> StartMainWindow(const SingleInstance& instance);

// The whole program after the toolkit is up, the running copy marked in runtimeDirectory; returns the
// exit code.
int RunProgram(QApplication& application, const QString& runtimeDirectory);
