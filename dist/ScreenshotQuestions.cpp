// The scenes of the window's own questions and messages, as Qt shows them: the conversion question of
// an opened recording, and the summary of a folder of phrases.
#include "Screenshot.h"

#include "app/MainForm.h"
#include "voice/PhraseFolder.h"
#include "wav/WavBuilder.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>

namespace {

std::filesystem::path PathOf(const QDir& folder, const QString& name) {
    return std::filesystem::path(folder.filePath(name).toStdU16String());
}

// A studio's recording: 44100 Hz stereo, as the controller cannot play it.
void WriteStudioRecording(const std::filesystem::path& file) {
    constexpr std::uint32_t kRate = 44100;
    std::vector<std::int16_t> stereo;
    for (std::int16_t sample : SpeechLikePhrase(kRate, 6))
        stereo.insert(stereo.end(), {sample, sample});
    wavtest::WriteFile(
        file,
        wavtest::WavBuilder()
            .Fmt({.channels = 2, .samplesPerSecond = kRate, .bytesPerSecond = 4 * kRate, .blockAlign = 4})
            .Data(stereo)
            .Build());
}

void WritePhrase(const std::filesystem::path& file, int syllables) {
    wavtest::WriteFile(file, wavtest::CanonicalWav(SpeechLikePhrase(8000, syllables)));
}

} // namespace

bool ConvertScene(TForm1& window, SceneDialogs& dialogs, const QString& picture) {
    const std::filesystem::path file = PathOf(QDir::current(), QStringLiteral("тревога вход 3 студия.wav"));
    WriteStudioRecording(file);
    dialogs.chosenFile = QString::fromStdU16String(file.u16string());
    dialogs.Photograph(window, QStringLiteral("Открытие файла"), picture, QMessageBox::No);
    window.BitBtn1->click();
    return dialogs.photographed;
}

// A colleague's folder: phrases named by number, by event or both, a second file for one event, a file
// for no event and a damaged one.
bool FolderSummaryScene(TForm1& window, SceneDialogs& dialogs, const QString& picture) {
    QDir folder = QDir::current();
    if (!folder.mkdir(QStringLiteral("Фразы объекта")) || !folder.cd(QStringLiteral("Фразы объекта")))
        return false;
    for (std::uint8_t event : {0, 1, 2, 3, 4})
        WritePhrase(PathOf(folder, QString::fromStdString(PhraseFileName(event))), 4 + event);
    WritePhrase(PathOf(folder, QStringLiteral("Отключение внешнего питания.wav")), 7);
    WritePhrase(PathOf(folder, QStringLiteral("12.wav")), 6);
    WritePhrase(PathOf(folder, QStringLiteral("3 - Тревога по входу 1.wav")), 5);
    WritePhrase(PathOf(folder, QStringLiteral("Приветствие.wav")), 6);
    wavtest::WriteFile(PathOf(folder, QStringLiteral("15.wav")), wavtest::Bytes(300, 0x55));
    dialogs.chosenFile = folder.path();
    dialogs.Photograph(window, QStringLiteral("Загрузка фраз из папки"), picture, QMessageBox::Ok);
    window.FileImportFolder->trigger();
    return dialogs.photographed;
}
