#include "ImportRecording.h"

#include "voice/WavImport.h"

ImportResult ImportRecording(VoiceBank& bank, std::uint8_t slot, const std::filesystem::path& path,
                             ImportOptions, ImportQuestions& questions) {
    return {ImportWav(bank, slot, path, questions), {}};
}
