#pragma once

#include "take/Synthesiser.h"
#include "take/Trim.h"
#include "voice/Voicebank.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class SoundInput;
class SoundOutput;
class TakeView;

// Records a phrase from a microphone, or has a text spoken, for one event: the take is trimmed of its
// silent ends, can be heard as the controller will say it, and goes into the event's slot on "Загрузить".
class TFormRecord : public QDialog {
    Q_OBJECT

public:
    // The take is heard through the window's sound output.
    TFormRecord(VoiceBank& bank, std::uint8_t slot, const QString& eventName, SoundOutput& output,
                QWidget* parent = nullptr);
    ~TFormRecord() override;

    const std::vector<std::int16_t>& Take() const { return take_; }
    TakeRange KeptRange() const;
    bool Recording() const { return recording_; }

    // Handlers, named after their control.
    void ComboBoxDeviceChange();
    void BitBtnCaptureClick(); // record, or stop recording
    void BitBtnSpeakClick();
    void BitBtnListenClick();
    void BitBtnLoadClick();

    QLabel* LabelDevice;
    QComboBox* ComboBoxDevice;
    QProgressBar* ProgressBarLevel;
    QPushButton* BitBtnCapture;
    TakeView* PaintBoxTake;
    QLabel* LabelLength;
    QLineEdit* EditText;
    QComboBox* ComboBoxVoice;
    QPushButton* BitBtnSpeak;
    QLabel* LabelStatus;
    QCheckBox* CheckBoxNormalise;
    QPushButton* BitBtnListen;
    QPushButton* BitBtnLoad;
    QPushButton* BitBtnCancel;

protected:
    void done(int result) override;

private:
    void CreateInputControls();
    void CreateTakeControls();
    void CreateSpeechControls(const QString& eventName);
    void CreateButtons();
    void ListDevices();
    void StartMonitoring();
    void ShowStatus(const QString& deviceProblem);
    void Captured(const std::vector<float>& mono);
    void InputFailed(const QString& reason);
    void FinishRecording();
    void SetTake(std::vector<std::int16_t> take);
    void ShowTakeState();
    std::vector<std::int16_t> PreparedKept() const;
    void StopListening();

    VoiceBank& bank_;
    std::uint8_t slot_;
    std::unique_ptr<SoundInput> input_;
    SoundOutput& output_;
    bool listening_ = false;
    std::vector<SpeechVoice> voices_;
    bool recording_ = false;
    std::vector<float> recorded_; // at the input's rate, while recording
    std::vector<std::int16_t> take_;
};
