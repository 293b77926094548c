// Any byte string as a voice file; whatever reads with result 0 is unpacked and packed again.
#include "Invariants.h"
#include "voice/ByteSource.h"
#include "voice/VoiceFile.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<VoiceBank> bank = std::make_unique<VoiceBank>();
    MemorySource source({data, size});
    bool fullLayout = true;
    if (ReadVoiceFile(source, bank->image, fullLayout) == kVoiceFileOk) {
        bank->UnpackImage(fullLayout);
        CheckSlots(*bank);
        bank->PackImage();
        CheckPackedImage(*bank);
    }
    return 0;
}
