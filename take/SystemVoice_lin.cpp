#include "SystemVoice.h"

const MissingVoiceText kMissingVoice{"Синтезатор речи не установлен.", "Установите пакет espeak-ng."};

bool SystemVoiceInstalled() {
    return false;
}

std::optional<SpokenText> SpeakWithSystemVoice(const std::string&) {
    return std::nullopt;
}
