#include "BankFile.h"

#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"

std::filesystem::path PathOf(const std::string& utf8) {
    return std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
}

std::string LoadBank(const std::string& file, VoiceBank& bank) {
    bool fullLayout = true;
    switch (ReadVoiceFile(PathOf(file), bank.image, fullLayout)) {
    case kVoiceFileOk:
        bank.UnpackImage(fullLayout);
        return {};
    case kVoiceFileChecksumMismatch:
        return "Неизвестный формат файла";
    default:
        return "Невозможно открыть файл";
    }
}

std::string SaveBank(const std::string& file, VoiceBank& bank) {
    bank.PackImage();
    return WriteVoiceFile(PathOf(file), bank.image) == kVoiceFileOk ? std::string()
                                                                    : "Невозможно сохранить файл";
}
