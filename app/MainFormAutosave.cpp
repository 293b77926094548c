// The working bank's copy between runs, "default.vce" in the working folder: read at start, written
// soon after each change and at close. None of these may lose the installer's work.
#include "MainForm.h"

#include "BackgroundSave.h"

#include "Dialogs.h"
#include "FileErrorText.h"
#include "FilePath.h"
#include "voice/SaveTemporary.h"
#include "voice/VoiceFile.h"

#include <QDir>

#include <optional>
#include <utility>

namespace {

const QString kAutosaveName = QStringLiteral("default.vce");

QString Shown(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(QString::fromStdU16String(path.u16string()));
}

// The file a link named path finally names, or path itself.
std::filesystem::path Resolved(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? path : resolved;
}

// A free name beside the file: "<name>.damaged", then "<name>.damaged.1", ...
std::filesystem::path AsideName(const std::filesystem::path& file) {
    std::filesystem::path aside = file;
    aside += ".damaged";
    std::error_code error;
    for (int number = 1; std::filesystem::exists(std::filesystem::symlink_status(aside, error)); ++number) {
        aside = file;
        aside += ".damaged." + std::to_string(number);
    }
    return aside;
}

} // namespace

// A file that is there but can't be used is kept under another name before the close could overwrite it.
void TForm1::LoadAutosave() {
    RemoveInterruptedSaves(ToPath(WorkingDirectory));
    const std::filesystem::path path = ToPath(WorkingDirectory + kAutosaveName);
    if (ReadVoiceFile(path, workingBank.image, fullLayout) == kVoiceFileOk) {
        workingBank.UnpackImage(fullLayout);
        return;
    }
    workingBank.ClearAllSlots();
    workingBank.PackImage();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return; // missing, or not a file the program would ever replace
    const std::filesystem::path damaged = Resolved(path);
    const std::filesystem::path aside = AsideName(damaged);
    std::filesystem::rename(damaged, aside, error);
    const QString what = QStringLiteral("Файл голосовых сообщений «%1» повреждён").arg(Shown(path));
    const QString where =
        error ? QStringLiteral(", и переименовать его не удалось: %1.").arg(FileErrorText(error))
              : QStringLiteral(" и сохранён под именем «%1».").arg(Shown(aside));
    ShowWarning(this, QStringLiteral("Открытие файла голосовых сообщений"),
                what + where +
                    QStringLiteral("\nПрограмма начинает работу с пустой памятью голосовых сообщений."));
}

// The transfer's worker reads the bank's image while it runs: the image is taken after it.
void TForm1::CreateBackgroundSave() {
    backgroundSave_ = new BackgroundSave(
        ToPath(WorkingDirectory + kAutosaveName),
        [this]() -> std::unique_ptr<VoiceImage> {
            if (transferRunning)
                return nullptr;
            workingBank.PackImage();
            return std::make_unique<VoiceImage>(workingBank.image);
        },
        this);
    connect(backgroundSave_, &BackgroundSave::Failed, this, &TForm1::BackgroundSaveFailed);
    connect(backgroundSave_, &BackgroundSave::Succeeded, this, [this] { backgroundSaveWarned_ = false; });
}

// Once, not at every change: the next change and the close try again, and the close asks what to do.
void TForm1::BackgroundSaveFailed(const std::error_code& reason) {
    if (std::exchange(backgroundSaveWarned_, true))
        return;
    ShowWarning(this, kSaveVoiceFileCaption,
                QStringLiteral("Не удалось сохранить голосовые сообщения в файл «%1»: %2.\n"
                               "Программа попробует ещё раз при следующем изменении и при закрытии.")
                    .arg(QDir::toNativeSeparators(WorkingDirectory + kAutosaveName), FileErrorText(reason)));
}

// False when the window stays open. When the file can't be written, the user may save the bank
// elsewhere, leave without saving, or stay; a save elsewhere that is cancelled or fails keeps the window.
bool TForm1::SaveAutosave() {
    const QString path = WorkingDirectory + kAutosaveName;
    std::error_code reason;
    if (WriteVoiceFile(ToPath(path), workingBank.image, reason) == kVoiceFileOk)
        return true;
    const QString text = QStringLiteral("Не удалось сохранить голосовые сообщения в файл «%1»: %2.\n\n"
                                        "Сохранить голосовые сообщения в другой файл?")
                             .arg(QDir::toNativeSeparators(path), FileErrorText(reason));
    return SavedOrGivenUp(kSaveVoiceFileCaption, text, &TForm1::SaveVoiceFileAs);
}
