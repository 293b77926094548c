#include "Import.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::string_view kOpenCaption = "Открытие файла";
constexpr std::string_view kLoadCaption = "Загрузка звукового фрагмента";

} // namespace

ImportOutcome LoadPhrase(VoiceBank& bank, std::uint8_t slot, std::span<const std::int16_t> samples,
                         std::uint64_t totalSamples, ImportQuestions& questions) {
    const std::uint32_t room = bank.FreeSamplesFor(slot);
    if (room == 0) {
        bank.ClearSlot(slot);
        questions.Report(ImportMessageFor(ImportMessageKind::MemoryFull));
        return ImportOutcome::Emptied;
    }
    if (totalSamples == 0) {
        questions.Report(ImportMessageFor(ImportMessageKind::NoSound));
        return ImportOutcome::Unchanged;
    }
    if (totalSamples > room) {
        ImportMessage message = ImportMessageFor(ImportMessageKind::Truncated);
        message.loadedSamples = room;
        message.fileSamples = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(totalSamples, std::numeric_limits<std::uint32_t>::max()));
        if (!questions.LoadBeginning(message))
            return ImportOutcome::Unchanged;
    }
    bank.ClearSlot(slot);
    for (const std::int16_t s : samples.first(std::min<std::size_t>(samples.size(), room)))
        bank.AppendSample(slot, s);
    return ImportOutcome::Loaded;
}

ImportMessage ImportMessageFor(ImportMessageKind kind) {
    switch (kind) {
    case ImportMessageKind::CannotOpen:
        return {kind, "Невозможно открыть файл", kOpenCaption, false};
    case ImportMessageKind::ReadFailed:
        return {kind, "Ошибка при открытии файла", kOpenCaption, false};
    case ImportMessageKind::BadFormat:
        return {kind, "Неверный формат файла", kOpenCaption, false};
    case ImportMessageKind::UnsupportedFormat:
        return {kind,
                "Неверный формат файла.\nИспользуйте только WAV файл формата: PCM 8000 Гц; 16 "
                "бит; Моно.",
                kOpenCaption, false};
    case ImportMessageKind::AacOrM4a:
        return {kind,
                "Файлы M4A и AAC не поддерживаются.\nСохраните запись в формате WAV, MP3, FLAC или OGG.",
                kOpenCaption, false};
    case ImportMessageKind::NoSound:
        return {kind, "Запись не содержит звука", kLoadCaption, false};
    case ImportMessageKind::MemoryFull:
        return {kind, "Загрузка звукового фрагмента невозможна.\nИспользовано 100% памяти.", kLoadCaption,
                false};
    case ImportMessageKind::Truncated:
        return {kind,
                "Продолжительность звукового фрагмента превышает допустимое значение.\nФрагмент "
                "будет урезан.",
                kLoadCaption, true};
    }
    return {kind, "", "", false};
}
