#include "ImportRecording.h"

#include "Conversion.h"
#include "SoundFile.h"
#include "voice/ByteSource.h"
#include "voice/WavImport.h"

#include <optional>
#include <vector>

namespace {

// Passes the WAV step's messages on, except a refusal of the file's format or structure: the
// converter may read the file.
class HoldingBackRefusal final : public ImportQuestions {
public:
    explicit HoldingBackRefusal(ImportQuestions& next) : next_(next) {}
    void Report(const ImportMessage& message) override {
        if (message.kind == ImportMessageKind::BadFormat ||
            message.kind == ImportMessageKind::UnsupportedFormat)
            refusal = message;
        else
            next_.Report(message);
    }

    bool LoadBeginning(const ImportMessage& cut) override { return next_.LoadBeginning(cut); }

    std::optional<ImportMessage> refusal;

private:
    ImportQuestions& next_;
};

ImportOutcome Convert(VoiceBank& bank, std::uint8_t slot, SoundFile& sound, bool normalise,
                      ImportQuestions& questions) {
    const std::uint32_t room = bank.FreeSamplesFor(slot);
    if (room == 0)
        return LoadPhrase(bank, slot, {}, 0, questions);
    // One sample more than fits tells whether the recording has to be cut; how long it is in all is then
    // counted without keeping what is read, for the question.
    const std::vector<std::int16_t> samples = ConvertForController(sound, std::size_t{room} + 1, normalise);
    const std::uint64_t total = samples.size() > room ? ControllerLength(sound) : samples.size();
    return LoadPhrase(bank, slot, samples, total, questions);
}

} // namespace

ImportResult ImportRecording(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& path,
                             ImportOptions options, ImportQuestions& questions) {
    FileSource source(path);
    if (!source.IsOpen()) {
        questions.Report(ImportMessageFor(ImportMessageKind::CannotOpen));
        return {};
    }
    HoldingBackRefusal wavStep(questions);
    const ImportOutcome outcome = ImportWav(bank, slot, source, wavStep);
    if (!wavStep.refusal)
        return {outcome, {}};
    SoundFile sound(source.File());
    if (!sound.IsOpen()) {
        questions.Report(IsAacOrM4a(source.File()) ? ImportMessageFor(ImportMessageKind::AacOrM4a)
                                                   : *wavStep.refusal);
        return {};
    }
    std::string description = DescribeSound(sound.Info());
    if (!questions.Convert(description, options.normalise))
        return {};
    return {Convert(bank, slot, sound, options.normalise, questions), std::move(description)};
}
