// The selected phrase as sound: recordings of any common format loaded into it, listening to it as the
// controller will say it, and saving it as a WAV file.
#include "MainForm.h"

#include "Dialogs.h"
#include "FileDialog.h"
#include "FilePath.h"
#include "FormLayout.h"
#include "ImportMessages.h"
#include "SoundOutput.h"
#include "audio/ImportRecording.h"
#include "voice/Adpcm.h"
#include "voice/EventNames.h"
#include "voice/WavExport.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QPushButton>
#include <QRegularExpression>

namespace {

const QString kPlayCaption = QStringLiteral("Прослушать");
const QString kStopCaption = QStringLiteral("Стоп");
const QString kExportCaption = QStringLiteral("Сохранение звукового фрагмента");

// A name for the exported phrase that every file system takes: the event's own words.
QString ExportName(int event) {
    QString name = QString::fromUtf8(kEventNames.at(std::size_t(event)));
    name.remove(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|]")));
    return name + QStringLiteral(".wav");
}

} // namespace

void TForm1::CreateSoundControls() {
    // No picture: the caption alone barely fits the button in the desktop's font.
    BitBtnPlay = Place(new QPushButton(kPlayCaption, GroupBox1), "BitBtnPlay", 456, 58);
    BitBtnPlay->resize(81, 25);
    BitBtnPlay->setToolTip(QStringLiteral("Прослушать звуковой фрагмент"));
    connect(BitBtnPlay, &QPushButton::clicked, this, &TForm1::BitBtnPlayClick);
    setTabOrder(BitBtn2, BitBtnPlay);

    SaveDialog2 = new FileDialog(FileDialog::Kind::Save, QStringLiteral("SaveDialog2"), kExportCaption,
                                 QStringLiteral("Звуковые файлы (*.wav)"), QStringLiteral("wav"), this);
    UseSoundOutput(SoundOutput::Device());
}

void TForm1::UseSoundOutput(std::unique_ptr<SoundOutput> output) {
    StopPlayback();
    sound_ = std::move(output);
    connect(sound_.get(), &SoundOutput::Finished, this, &TForm1::PlaybackEnded);
    connect(sound_.get(), &SoundOutput::Failed, this, [this](const QString& reason) {
        PlaybackEnded();
        ShowWarning(this, kApplicationTitle, QStringLiteral("Не удалось воспроизвести звук: ") + reason);
    });
}

void TForm1::UpdateSoundControls() {
    const bool phrase = workingBank.Slot(SelectedSlot()).count > 0;
    BitBtnPlay->setEnabled(phrase);
    FileExportWav->setEnabled(phrase);
}

// A WAV in the controller's own format is imported as it is; any other recording the converter reads
// is converted when the user agrees, with the levelling chosen then kept for the next one.
void TForm1::ImportRecording(const QString& name) {
    ImportMessageBoxes questions(this, QFileInfo(name).fileName(), &normaliseVolume);
    const ImportOutcome outcome = ::ImportRecording(workingBank, SelectedSlot(), ToPath(name),
                                                    {.normalise = normaliseVolume}, questions)
                                      .outcome;
    // A slot emptied because the memory is full is shown as such too, not only a loaded one.
    if (outcome != ImportOutcome::Unchanged)
        BankChanged(SelectedSlot(),
                    QStringLiteral("загрузку фрагмента «%1»").arg(ComboBoxEvents->currentText()));
}

void TForm1::BitBtnPlayClick() {
    if (playing_) {
        StopPlayback();
        return;
    }
    QString reason;
    if (!sound_->Play(DecodeSlot(workingBank.Slot(SelectedSlot())), reason)) {
        ShowWarning(this, kApplicationTitle, QStringLiteral("Не удалось воспроизвести звук: ") + reason);
        return;
    }
    playing_ = true;
    BitBtnPlay->setText(kStopCaption);
}

void TForm1::StopPlayback() {
    if (!playing_)
        return;
    sound_->Stop();
    PlaybackEnded();
}

void TForm1::PlaybackEnded() {
    playing_ = false;
    BitBtnPlay->setText(kPlayCaption);
}

void TForm1::FileExportWavExecute() {
    StopPlayback();
    SaveDialog2->FileName = ExportName(ComboBoxEvents->currentIndex());
    if (!SaveDialog2->Execute(this))
        return;
    const QString name = SaveDialog2->FileName;
    if (QFileInfo::exists(name) &&
        Dialogs::Current().Message(this, QMessageBox::Warning, kExportCaption,
                                   QStringLiteral("Файл уже существует, заменить?"),
                                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::No)
        return;
    if (!WriteWavFile(ToPath(name), DecodeSlot(workingBank.Slot(SelectedSlot()))))
        ShowWarning(this, kExportCaption, QStringLiteral("Невозможно сохранить файл"));
}
