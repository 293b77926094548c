// Any byte string as a WAV file, imported into a bank whose memory is nearly full, so that the
// truncation path is reached by inputs of a few kilobytes.
#include "Invariants.h"
#include "voice/ByteSource.h"
#include "voice/WavImport.h"

#include <cstdlib>
#include <memory>

namespace {

constexpr std::uint32_t kFreeAtStart = 2000;

struct CountingReporter : ImportQuestions {
    void Report(const ImportMessage& message) override {
        if (message.text.empty() || message.caption.empty()) {
            std::abort();
        }
        ++messages;
    }
    int messages = 0;
};

VoiceBank& NearlyFullBank() {
    static const std::unique_ptr<VoiceBank> bank = [] {
        auto b = std::make_unique<VoiceBank>();
        for (std::uint32_t i = 0; i < kCapacitySamples - kFreeAtStart; ++i) {
            b->AppendSample(0, static_cast<std::int16_t>(i * 31));
        }
        return b;
    }();
    return *bank;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VoiceBank& bank = NearlyFullBank();
    MemorySource source({data, size});
    CountingReporter reporter;
    const ImportOutcome outcome = ImportWav(bank, 1, source, reporter);
    // Either one refusal, or at most the one truncation warning or memory-full message.
    if (reporter.messages > 1 || (outcome == ImportOutcome::Unchanged && reporter.messages != 1)) {
        std::abort();
    }
    if (bank.Slot(1).count > kFreeAtStart || bank.FreeSamples() % 2 != 0) {
        std::abort();
    }
    CheckSlots(bank);
    bank.PackImage();
    CheckPackedImage(bank);
    return 0;
}
