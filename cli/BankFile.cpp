#include "BankFile.h"

#include "voice/SaveErrorText.h"
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"

std::filesystem::path PathOf(const std::string& utf8) {
    return std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
}

std::string LoadBank(const std::string& file, VoiceBank& bank) {
    bool fullLayout = true;
    const VoiceFileResult result = ReadVoiceFile(PathOf(file), bank.image, fullLayout);
    if (result != kVoiceFileOk)
        return std::string(VoiceFileReadError(result));
    bank.UnpackImage(fullLayout);
    return {};
}

std::string SaveBank(const std::string& file, VoiceBank& bank) {
    bank.PackImage();
    std::error_code reason;
    if (WriteVoiceFile(PathOf(file), bank.image, reason) == kVoiceFileOk)
        return {};
    const std::string failed(kVoiceFileWriteError);
    return reason ? failed + ": " + SaveErrorText(reason) : failed;
}
