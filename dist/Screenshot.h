#pragma once

// What the scenes of make-screenshot share: waiting for the window manager, cutting the picture out of
// the screen, the program's message boxes, and a phrase that looks like speech.

#include "app/Dialogs.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QWidget;
class TForm1;

// Runs the event loop until the condition holds (at most 5 s), then a little longer for the window
// manager's frame and the first paint.
void WaitFor(const std::function<bool()>& condition);

// What is on the screen around the given windows.
bool SaveShown(const QWidget& window, const std::vector<const QWidget*>& shown, const QString& picture);

// Every message box and file dialog of a scene: answered at once without being shown, except the box
// with the caption a scene photographs, which Qt's own dialogs show for real over `window`.
class SceneDialogs final : public Dialogs {
public:
    explicit SceneDialogs(Dialogs& real) : real_(real) {}

    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                        const QString& text, QMessageBox::StandardButtons buttons) override;
    QMessageBox::StandardButton QuestionWithOption(QWidget* parent, const QString& caption,
                                                   const QString& text, const QString& option,
                                                   bool& checked) override;
    std::optional<QString> ChooseFile(QWidget*, const FileDialog&) override { return chosenFile; }

    // Photographs the box with this caption, then closes it with `closeWith`; false until it did.
    void Photograph(const QWidget& window, const QString& caption, const QString& picture,
                    QMessageBox::StandardButton closeWith);
    bool photographed = false;

    std::optional<QString> chosenFile;                            // what every file dialog returns
    QMessageBox::StandardButton questionAnswer = QMessageBox::No; // for questions not photographed

private:
    QMessageBox::StandardButton ShowAndPhotograph(const std::function<QMessageBox::StandardButton()>& show);

    Dialogs& real_;
    const QWidget* window_ = nullptr;
    QString caption_;
    QString picture_;
    QMessageBox::StandardButton closeWith_ = QMessageBox::Ok;
};

// Something like a spoken phrase at `rate`: voiced syllables with short gaps, between stretches of
// quiet room noise, at about -20 dBFS.
std::vector<std::int16_t> SpeechLikePhrase(int rate, int syllables);

// The scenes beyond the main window's own; each writes `picture`, false when it could not.
bool ConvertScene(TForm1& window, SceneDialogs& dialogs, const QString& picture);
bool FolderSummaryScene(TForm1& window, SceneDialogs& dialogs, const QString& picture);
bool RecordScene(TForm1& window, const QString& picture);
bool TransferScene(TForm1& window, const QString& picture);
