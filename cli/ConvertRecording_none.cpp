#include "ConvertRecording.h"

ImportOutcome ImportConverted(VoiceBank&, std::uint8_t, const std::filesystem::path&, bool,
                              ImportReporter& reporter, const ImportMessage& refusal, std::string&) {
    reporter.Report(refusal);
    return ImportOutcome::Unchanged;
}
