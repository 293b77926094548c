#include "SpeakEmpty.h"

#include "TakeSound.h"
#include "Trim.h"
#include "audio/Loudness.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Phrase = std::optional<std::vector<std::int16_t>>;

// The synthesiser runs as one program per text: as many at once as there are processors.
std::vector<Phrase> SpeakAll(const std::vector<const char*>& texts, SpeechVoice voice) {
    std::vector<Phrase> phrases(texts.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < texts.size(); i = next++)
            phrases[i] = SpokenTake(voice, texts[i]);
    };
    std::vector<std::jthread> workers(std::max(1U, std::thread::hardware_concurrency()) - 1);
    for (auto& worker : workers)
        worker = std::jthread(work);
    work();
    return phrases;
}

} // namespace

SpeakEmptyResult SpeakEmptyEvents(VoiceBank& bank, std::span<const char* const> names, SpeechVoice voice) {
    std::vector<std::uint8_t> empty;
    std::vector<const char*> texts;
    for (std::size_t event = 0; event < names.size() && event < kEventSlotCount; ++event)
        if (bank.Slot(std::uint8_t(event)).count == 0) {
            empty.push_back(std::uint8_t(event));
            texts.push_back(names[event]);
        }
    const std::vector<Phrase> phrases = SpeakAll(texts, voice);
    SpeakEmptyResult result;
    const double target = LevelTarget(bank);
    for (std::size_t i = 0; i < empty.size(); ++i) {
        if (!phrases[i]) {
            ++result.failed;
            continue;
        }
        const TakeRange range = TrimSilence(*phrases[i]);
        const auto phrase =
            PreparedTake(std::span(*phrases[i]).subspan(range.begin, range.Length()), true, target);
        if (phrase.size() > bank.FreeSamples()) {
            ++result.tooLong;
            continue;
        }
        bank.ClearSlot(empty[i]);
        for (const std::int16_t s : phrase)
            bank.AppendSample(empty[i], s);
        ++result.filled;
    }
    return result;
}
