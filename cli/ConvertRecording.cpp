#include "ConvertRecording.h"

#include "audio/SoundFile.h"
#include "audio/SoundImport.h"

ImportOutcome ImportConverted(VoiceBank& bank, std::uint8_t event, const std::filesystem::path& file,
                              bool normalise, ImportReporter& reporter, const ImportMessage& refusal,
                              std::string& converted) {
    SoundFile sound(file);
    if (!sound.IsOpen()) {
        reporter.Report(IsAacOrM4a(file) ? AacRefusal() : refusal);
        return ImportOutcome::Unchanged;
    }
    converted = DescribeSound(sound.Info());
    return ImportSoundFile(bank, event, file, normalise, reporter);
}
