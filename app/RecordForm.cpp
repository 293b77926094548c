#include "RecordForm.h"

#include "Dialogs.h"
#include "FormLayout.h"
#include "ImportMessages.h"
#include "SecondsText.h"
#include "SoundInput.h"
#include "SoundOutput.h"
#include "TakeView.h"
#include "take/TakeSound.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 330;
constexpr int kMeterFloorDb = 60; // the meter shows -60..0 dBFS
// A take can't be longer than the whole memory; a forgotten recording stops there.
constexpr double kLongestTakeSeconds = double(kCapacitySamples) / kTakeRate;

QPushButton* AddButton(QWidget* parent, const char* name, const QString& caption, int x, int y) {
    auto* button = Place(new QPushButton(caption, parent), name, x, y);
    button->resize(84, 25);
    return button;
}

QString VoiceName(SpeechVoice voice) {
    return voice == SpeechVoice::Espeak ? QStringLiteral("eSpeak NG") : QStringLiteral("Festival");
}

QString MissingSynthesiser() {
    return QStringLiteral("Синтезатор речи не установлен. Установите пакет %1.")
        .arg(QLatin1String(kSynthesiserPackage));
}

int MeterValue(const std::vector<float>& mono) {
    float peak = 0;
    for (const float s : mono)
        peak = std::max(peak, std::abs(s));
    const double db = peak > 0 ? 20 * std::log10(double(peak)) : -kMeterFloorDb;
    return std::clamp(int(std::lround(db)) + kMeterFloorDb, 0, kMeterFloorDb);
}

} // namespace

TFormRecord::TFormRecord(VoiceBank& bank, std::uint8_t slot, const QString& eventName, SoundOutput& output,
                         QWidget* parent)
    : QDialog(parent), bank_(bank), slot_(slot), input_(SoundInput::Open()), output_(output),
      voices_(InstalledVoices()) {
    SetUpFixedDialog(*this, "FormRecord", QStringLiteral("Запись: ") + eventName,
                     QSize(kClientWidth, kClientHeight));
    CreateInputControls();
    CreateTakeControls();
    CreateSpeechControls(eventName);
    CreateButtons();
    connect(input_.get(), &SoundInput::Captured, this, &TFormRecord::Captured);
    connect(input_.get(), &SoundInput::Failed, this, &TFormRecord::InputFailed);
    // The window tells of a device that fails while playing; here the button comes back.
    connect(&output_, &SoundOutput::Finished, this, &TFormRecord::StopListening);
    connect(&output_, &SoundOutput::Failed, this, &TFormRecord::StopListening);
    // Space records and stops, except where it types a blank (the text field takes it first).
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, this, [this] {
        if (BitBtnCapture->isEnabled())
            BitBtnCaptureClick();
    });
    ListDevices();
    ShowTakeState();
    // Space must reach the record button, not type into the text field.
    (BitBtnCapture->isEnabled() ? BitBtnCapture : BitBtnSpeak)->setFocus();
}

TFormRecord::~TFormRecord() = default;

void TFormRecord::CreateInputControls() {
    LabelDevice = Place(new QLabel(QStringLiteral("Устройство записи:"), this), "LabelDevice", 8, 12);
    LabelDevice->adjustSize();
    const int comboX = LabelDevice->x() + LabelDevice->width() + 8;
    ComboBoxDevice = Place(new QComboBox(this), "ComboBoxDevice", comboX, 8);
    ComboBoxDevice->resize(kClientWidth - 8 - comboX, ComboBoxDevice->sizeHint().height());
    connect(ComboBoxDevice, &QComboBox::activated, this, &TFormRecord::ComboBoxDeviceChange);

    ProgressBarLevel = Place(new QProgressBar(this), "ProgressBarLevel", 8, 44);
    ProgressBarLevel->resize(404, 16);
    ProgressBarLevel->setRange(0, kMeterFloorDb);
    ProgressBarLevel->setValue(0);
    ProgressBarLevel->setTextVisible(false);
    ProgressBarLevel->setToolTip(QStringLiteral("Уровень сигнала"));
    BitBtnCapture = AddButton(this, "BitBtnCapture", QStringLiteral("Запись"), 428, 40);
    BitBtnCapture->setToolTip(QStringLiteral("Начать или остановить запись (пробел)"));
    connect(BitBtnCapture, &QPushButton::clicked, this, &TFormRecord::BitBtnCaptureClick);
}

void TFormRecord::CreateTakeControls() {
    PaintBoxTake = Place(new TakeView(this), "PaintBoxTake", 8, 72);
    PaintBoxTake->resize(kClientWidth - 16, 120);
    PaintBoxTake->setToolTip(QStringLiteral("Начало и конец фрагмента можно передвинуть мышью"));
    connect(PaintBoxTake, &TakeView::RangeChanged, this, &TFormRecord::ShowTakeState);
    LabelLength = Place(new QLabel(this), "LabelLength", 8, 198);
    LabelLength->resize(kClientWidth - 16, LabelLength->sizeHint().height());
}

void TFormRecord::CreateSpeechControls(const QString& eventName) {
    EditText = Place(new QLineEdit(eventName, this), "EditText", 8, 224);
    EditText->resize(voices_.size() > 1 ? 304 : 412, EditText->sizeHint().height());
    ComboBoxVoice = Place(new QComboBox(this), "ComboBoxVoice", 320, 224);
    ComboBoxVoice->resize(100, ComboBoxVoice->sizeHint().height());
    for (const SpeechVoice voice : voices_)
        ComboBoxVoice->addItem(VoiceName(voice));
    ComboBoxVoice->setToolTip(QStringLiteral("Голос синтезатора речи"));
    ComboBoxVoice->setVisible(voices_.size() > 1);
    BitBtnSpeak = AddButton(this, "BitBtnSpeak", QStringLiteral("Озвучить"), 428, 222);
    BitBtnSpeak->setToolTip(QStringLiteral("Озвучить текст синтезатором речи"));
    connect(BitBtnSpeak, &QPushButton::clicked, this, &TFormRecord::BitBtnSpeakClick);
    connect(EditText, &QLineEdit::textChanged, this, &TFormRecord::ShowTakeState);

    LabelStatus = Place(new QLabel(this), "LabelStatus", 8, 256);
    LabelStatus->resize(kClientWidth - 16, 32);
    LabelStatus->setWordWrap(true);
    if (voices_.empty())
        BitBtnSpeak->setToolTip(MissingSynthesiser());
}

void TFormRecord::CreateButtons() {
    CheckBoxNormalise =
        Place(new QCheckBox(QStringLiteral("Выровнять громкость"), this), "CheckBoxNormalise", 8, 300);
    CheckBoxNormalise->adjustSize();
    CheckBoxNormalise->setChecked(true);
    CheckBoxNormalise->setToolTip(QStringLiteral("Поднять громкость фрагмента до -1 дБ"));
    BitBtnListen = AddButton(this, "BitBtnListen", QStringLiteral("Прослушать"), 248, 296);
    BitBtnListen->setToolTip(QStringLiteral("Прослушать фрагмент так, как его произнесёт контроллер"));
    BitBtnLoad = AddButton(this, "BitBtnLoad", QStringLiteral("Загрузить"), 340, 296);
    BitBtnLoad->setToolTip(QStringLiteral("Загрузить фрагмент в память голосовых сообщений"));
    BitBtnCancel = AddButton(this, "BitBtnCancel", QStringLiteral("Отмена"), 428, 296);
    connect(BitBtnListen, &QPushButton::clicked, this, &TFormRecord::BitBtnListenClick);
    connect(BitBtnLoad, &QPushButton::clicked, this, &TFormRecord::BitBtnLoadClick);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// The system's default is chosen; where it marks none (PulseAudio marks no input as default for Qt),
// the first device, and the user can choose another.
void TFormRecord::ListDevices() {
    for (const SoundInput::Device& device : input_->Devices())
        ComboBoxDevice->addItem(device.name, device.id);
    if (ComboBoxDevice->count() == 0) {
        ComboBoxDevice->setEnabled(false);
        BitBtnCapture->setEnabled(false);
        ShowStatus(QStringLiteral("Устройство записи не найдено: подключите микрофон."));
        return;
    }
    ComboBoxDevice->setCurrentIndex(std::max(0, input_->DefaultDevice()));
    StartMonitoring();
}

// The level meter runs as soon as a device is chosen, so the user can check the microphone first.
void TFormRecord::StartMonitoring() {
    QString reason;
    const bool started = input_->Start(ComboBoxDevice->currentData().toByteArray(), reason);
    BitBtnCapture->setEnabled(started);
    if (started)
        ShowStatus(QString());
    else
        InputFailed(reason);
}

// What stands in the way of recording, and what can be done instead.
void TFormRecord::ShowStatus(const QString& deviceProblem) {
    QString text = deviceProblem;
    if (!deviceProblem.isEmpty() && !voices_.empty())
        text += QStringLiteral(" Текст можно озвучить синтезатором речи.");
    if (voices_.empty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + MissingSynthesiser();
    LabelStatus->setText(text);
}

void TFormRecord::ComboBoxDeviceChange() {
    if (recording_)
        FinishRecording();
    StartMonitoring();
}

void TFormRecord::Captured(const std::vector<float>& mono) {
    ProgressBarLevel->setValue(MeterValue(mono));
    if (!recording_)
        return;
    recorded_.insert(recorded_.end(), mono.begin(), mono.end());
    if (double(recorded_.size()) >= kLongestTakeSeconds * input_->Rate())
        FinishRecording();
}

void TFormRecord::InputFailed(const QString& reason) {
    if (recording_)
        FinishRecording();
    BitBtnCapture->setEnabled(false);
    ProgressBarLevel->setValue(0);
    ShowStatus(QStringLiteral("Запись невозможна: %1.").arg(reason));
}

void TFormRecord::BitBtnCaptureClick() {
    if (recording_) {
        FinishRecording();
        return;
    }
    recorded_.clear();
    recording_ = true;
    BitBtnCapture->setText(QStringLiteral("Стоп"));
    ShowTakeState();
}

void TFormRecord::FinishRecording() {
    recording_ = false;
    BitBtnCapture->setText(QStringLiteral("Запись"));
    SetTake(TakeFromSound(recorded_, input_->Rate()));
    recorded_ = {};
}

void TFormRecord::BitBtnSpeakClick() {
    if (voices_.empty())
        return;
    if (recording_)
        FinishRecording();
    const SpeechVoice voice = voices_[std::size_t(std::max(0, ComboBoxVoice->currentIndex()))];
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto spoken = SpokenTake(voice, EditText->text().toStdString());
    QApplication::restoreOverrideCursor();
    if (!spoken) {
        LabelStatus->setText(QStringLiteral("Синтезатор речи не смог озвучить этот текст."));
        return;
    }
    SetTake(std::move(*spoken));
}

void TFormRecord::SetTake(std::vector<std::int16_t> take) {
    if (listening_) {
        output_.Stop();
        StopListening();
    }
    take_ = std::move(take);
    PaintBoxTake->SetTake(&take_, TrimSilence(take_));
    ShowTakeState();
}

TakeRange TFormRecord::KeptRange() const {
    return PaintBoxTake->Range();
}

std::vector<std::int16_t> TFormRecord::PreparedKept() const {
    const TakeRange range = KeptRange();
    return PreparedTake(std::span(take_).subspan(range.begin, range.Length()),
                        CheckBoxNormalise->isChecked());
}

void TFormRecord::ShowTakeState() {
    const QString seconds = QStringLiteral(" Сек.");
    LabelLength->setText(QStringLiteral("Длительность: ") + SecondsText(std::uint32_t(KeptRange().Length())) +
                         seconds + QStringLiteral("    Свободно: ") +
                         SecondsText(bank_.FreeSamplesFor(slot_)) + seconds);
    const bool haveTake = !take_.empty() && !recording_;
    BitBtnListen->setEnabled(haveTake);
    BitBtnLoad->setEnabled(haveTake);
    BitBtnSpeak->setEnabled(!voices_.empty() && !EditText->text().trimmed().isEmpty());
}

// The kept part as the controller will say it: levelled as it will be loaded, encoded and decoded.
void TFormRecord::BitBtnListenClick() {
    if (listening_) {
        output_.Stop();
        StopListening();
        return;
    }
    QString reason;
    if (!output_.Play(AsTheControllerPlaysIt(PreparedKept()), reason)) {
        ShowWarning(this, kApplicationTitle, QStringLiteral("Не удалось воспроизвести звук: ") + reason);
        return;
    }
    listening_ = true;
    BitBtnListen->setText(QStringLiteral("Стоп"));
}

void TFormRecord::StopListening() {
    listening_ = false;
    BitBtnListen->setText(QStringLiteral("Прослушать"));
}

void TFormRecord::BitBtnLoadClick() {
    ImportMessageBoxes messages(this);
    const std::vector<std::int16_t> take = PreparedKept();
    LoadPhrase(bank_, slot_, take, take.size(), messages);
    accept();
}

void TFormRecord::done(int result) {
    recording_ = false;
    input_->Stop();
    if (listening_) {
        output_.Stop();
        StopListening();
    }
    QDialog::done(result);
}
