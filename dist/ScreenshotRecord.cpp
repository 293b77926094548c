// The record dialog with a take in it: a phrase fed through its sound input, as a microphone would.
#include "Screenshot.h"

#include "app/MainForm.h"
#include "app/ModalDialog.h"
#include "app/RecordForm.h"
#include "app/SoundInput.h"

#include <QPushButton>

#include <memory>

namespace {

constexpr int kRate = 16000;

class SceneMicrophone final : public SoundInput {
public:
    std::vector<Device> Devices() override { return {{"mic", QStringLiteral("Встроенный микрофон")}}; }
    int DefaultDevice() override { return 0; }
    bool Start(const QByteArray&, QString&) override { return true; }
    void Stop() override {}
    int Rate() const override { return kRate; }

    void Say(std::span<const std::int16_t> samples) {
        std::vector<float> mono;
        for (std::int16_t sample : samples)
            mono.push_back(sample / 32768.0F);
        emit Captured(mono);
    }
};

} // namespace

bool RecordScene(TForm1& window, const QString& picture) {
    SceneMicrophone* microphone = nullptr;
    SoundInput::Install([&microphone] {
        auto made = std::make_unique<SceneMicrophone>();
        microphone = made.get();
        return made;
    });
    bool saved = false;
    InstallModalRunner([&](QDialog& dialog) {
        auto& form = static_cast<TFormRecord&>(dialog);
        form.show();
        const std::vector<std::int16_t> phrase = SpeechLikePhrase(kRate, 8);
        form.BitBtnCapture->click();
        microphone->Say(phrase);
        form.BitBtnCapture->click();
        // The meter as the user goes on speaking after the take.
        microphone->Say(std::span(phrase).subspan(phrase.size() / 2, kRate / 20));
        WaitFor([&] { return form.frameGeometry() != form.geometry(); });
        saved = SaveShown(form, {&form}, picture);
        return int(QDialog::Rejected);
    });
    window.BitBtnRecord->click();
    InstallModalRunner({});
    SoundInput::Install({});
    return saved;
}
