#pragma once

#include "voice/Voicebank.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class QApplication;

// The one application object of a test process, made by the tests' main.
QApplication& TestApplication();

// A fresh empty folder that is the current directory for the object's lifetime, as the program's
// working directory.
class TemporaryWorkingDirectory {
public:
    TemporaryWorkingDirectory();
    ~TemporaryWorkingDirectory();
    QString FilePath(const QString& name) const { return dir_.filePath(name); }
    QString Documents() const; // Windows keeps the user's own, wherever HOME points

private:
    QTemporaryDir dir_;
    QString previous_;
};

// A fresh home folder with a "Documents" folder for the object's lifetime, so that the program's own
// settings (the file dialogs' folders) start empty and never touch the user's.
class TemporaryHome {
public:
    TemporaryHome();
    ~TemporaryHome();
    QString FilePath(const QString& name) const { return dir_.filePath(name); }
    QString Documents() const; // Windows keeps the user's own, wherever HOME points

private:
    QTemporaryDir dir_;
    QByteArray home_;
    QByteArray configHome_;
};

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// A voice file of the given version holding the image, with a correct checksum byte.
QByteArray VoiceFileBytes(const VoiceImage& image, const char* header = "[VoiceMessage v.05.05]");

// The image of a bank whose slots hold the given numbers of samples (a sine-like pattern).
void FillSlot(VoiceBank& bank, std::uint8_t slot, std::uint32_t samples);
