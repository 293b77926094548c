#include "BankFile.h"

#include "voice/ErrorName.h"
#include "voice/ReadErrorText.h"
#include "voice/SaveErrorText.h"
#include "voice/VoiceFile.h"
#include "voice/Voicebank.h"

#include <chrono>

std::filesystem::path PathOf(const std::string& utf8) {
    return std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size());
}

std::string WithReason(const std::string& message, const std::string& why, const std::error_code& reason) {
    const std::string name = ErrorName(reason);
    return message + ": " + why + (name.empty() ? "" : " (" + name + ")");
}

std::string WithReadReason(const std::string& file, const std::string& message) {
    const std::error_code reason = WhyUnreadable(PathOf(file));
    return reason ? WithReason(message, ReadErrorText(reason), reason) : message;
}

std::string LoadBank(const std::string& file, VoiceBank& bank) {
    bool fullLayout = true;
    const VoiceFileResult result = ReadVoiceFile(PathOf(file), bank.image, fullLayout);
    if (result != kVoiceFileOk)
        return WithReadReason(file, std::string(VoiceFileReadError(result)));
    bank.UnpackImage(fullLayout);
    return {};
}

std::string SaveBank(const std::string& file, VoiceBank& bank) {
    bank.PackImage();
    std::error_code reason;
    if (WriteVoiceFile(PathOf(file), bank.image, reason) == kVoiceFileOk)
        return {};
    const std::string failed(kVoiceFileWriteError);
    return reason ? WithReason(failed, SaveErrorText(reason), reason) : failed;
}

namespace {
constexpr auto kBankWait = std::chrono::seconds(3);

const char kBankBusy[] = "файл занят другой программой, изменяющей его; попробуйте ещё раз";
} // namespace

std::string HeldBank::Load(const std::string& file, VoiceBank& bank, bool mayBeNew) {
    file_ = file;
    if (lock_.Lock(PathOf(file), kBankWait) == BankLock::Result::Busy)
        return kBankBusy;
    std::error_code error;
    existed_ = !mayBeNew || std::filesystem::exists(PathOf(file), error) || error;
    return existed_ ? LoadBank(file, bank) : std::string();
}

std::string HeldBank::Save(VoiceBank& bank) {
    if (existed_ && !lock_.Unchanged())
        return "файл изменён другой программой после чтения; изменение не сохранено";
    return SaveBank(file_, bank);
}

std::string HeldBank::Replace(const std::string& file, VoiceBank& bank) {
    file_ = file;
    if (lock_.Lock(PathOf(file), kBankWait) == BankLock::Result::Busy)
        return kBankBusy;
    return SaveBank(file, bank);
}
