// The main window's recording and speech: the record dialog for the selected event, and the names of
// the events without a phrase spoken into their slots.
#include "MainForm.h"

#include "AppIcon.h"
#include "Dialogs.h"
#include "FormLayout.h"
#include "ModalDialog.h"
#include "RecordForm.h"
#include "SpeechProgress.h"
#include "take/SpeakEmpty.h"
#include "voice/EventNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>
#include <utility>

void TForm1::CreateRecordControls() {
    BitBtnRecord = Place(new QPushButton(AppIcon("sound-record"), QStringLiteral("Записать"), GroupBox1),
                         "BitBtnRecord", 368, 58);
    BitBtnRecord->resize(81, 25);
    BitBtnRecord->setToolTip(QStringLiteral("Записать звуковой фрагмент"));
    connect(BitBtnRecord, &QPushButton::clicked, this, &TForm1::BitBtnRecordClick);
    setTabOrder(BitBtn2, BitBtnRecord);

    FileSpeakEmpty = new QAction(AppIcon("speak"), QStringLiteral("Озвучить &пустые события"), this);
    FileSpeakEmpty->setObjectName(QStringLiteral("FileSpeakEmpty"));
    FileSpeakEmpty->setProperty("category", QStringLiteral("File"));
    FileSpeakEmpty->setToolTip(
        QStringLiteral("Озвучить названия событий, для которых нет звукового фрагмента"));
    connect(FileSpeakEmpty, &QAction::triggered, this, &TForm1::FileSpeakEmptyExecute);
    // After the voice file items, before the separator above "Закрыть".
    QMenu* file = menuBar()->actions().constFirst()->menu();
    const QList<QAction*> items = file->actions();
    const auto separator =
        std::find_if(items.begin(), items.end(), [](QAction* a) { return a->isSeparator(); });
    file->insertAction(separator == items.end() ? nullptr : *separator, FileSpeakEmpty);
}

void TForm1::BitBtnRecordClick() {
    StopPlayback();
    TFormRecord FormRecord(workingBank, SelectedSlot(), ComboBoxEvents->currentText(), *sound_, this);
    // One choice for every recording that comes in, converted or recorded.
    FormRecord.CheckBoxNormalise->setChecked(normaliseVolume);
    const int result = ShowModal(FormRecord);
    normaliseVolume = FormRecord.CheckBoxNormalise->isChecked();
    if (result == QDialog::Accepted)
        BankChanged(SelectedSlot(),
                    QStringLiteral("запись фрагмента «%1»").arg(ComboBoxEvents->currentText()));
}

// The bank is filled once the speech is over, with what was spoken before a stop; an end of the program
// meanwhile stops the speech and closes the window after it.
void TForm1::FileSpeakEmptyExecute() {
    const QString caption = QStringLiteral("Озвучить пустые события");
    const std::vector<SpeechVoice> voices = InstalledVoices();
    if (voices.empty()) {
        ShowWarning(this, caption,
                    QString::fromUtf8(kMissingVoice.problem) + '\n' +
                        QString::fromUtf8(kMissingVoice.remedy));
        return;
    }
    StopPlayback();
    const std::vector<std::uint8_t> events = EmptyEvents(workingBank, kEventNames.size());
    std::vector<const char*> texts;
    for (const std::uint8_t event : events)
        texts.push_back(kEventNames[event]);
    const double freeSeconds = double(workingBank.FreeSamples()) / 8000;
    SpokenTakes spoken;
    speakingEmpty_ = true;
    RunSpeech(this, int(texts.size()), [&](std::stop_token stop, std::atomic<int>& done) {
        spoken = SpeakAll(texts, voices.front(), SpeechLimits{freeSeconds, stop}, done);
    });
    speakingEmpty_ = false;
    const SpeakEmptyResult result = FillEmptyEvents(workingBank, events, spoken);
    BankChanged(SelectedSlot(), QStringLiteral("озвучивание пустых событий"));
    if (std::exchange(closeAfterSpeech_, false)) {
        close();
        return;
    }
    QString text = QStringLiteral("Озвучено событий: %1.\nНе поместилось в память: %2.")
                       .arg(result.filled)
                       .arg(result.tooLong);
    if (result.failed > 0)
        text += QStringLiteral("\nСинтезатор речи не смог озвучить: %1.").arg(result.failed);
    if (result.stopped > 0)
        text += QStringLiteral("\nОзвучивание прервано, не озвучено: %1.").arg(result.stopped);
    Dialogs::Current().Message(this, QMessageBox::Information, caption, text, QMessageBox::Ok);
}
