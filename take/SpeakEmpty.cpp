#include "SpeakEmpty.h"

#include "TakeSound.h"
#include "Trim.h"
#include "audio/Loudness.h"

#include <algorithm>
#include <exception>
#include <thread>

std::vector<std::uint8_t> EmptyEvents(const VoiceBank& bank, std::size_t count) {
    std::vector<std::uint8_t> empty;
    for (std::size_t event = 0; event < count && event < kEventSlotCount; ++event)
        if (bank.Slot(std::uint8_t(event)).count == 0)
            empty.push_back(std::uint8_t(event));
    return empty;
}

SpokenTakes SpeakAll(const std::vector<const char*>& texts, SpeechVoice voice, const SpeechLimits& limits,
                     std::atomic<int>& done) {
    SpokenTakes spoken{std::vector<std::vector<std::int16_t>>(texts.size()),
                       std::vector<SpeechEnd>(texts.size(), SpeechEnd::Stopped)};
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < texts.size() && !limits.stop.stop_requested(); i = next++) {
            try {
                spoken.ends[i] = SpokenTake(voice, texts[i], limits, spoken.takes[i]);
            } catch (const std::exception&) { // out of memory, most likely
                spoken.takes[i] = {};
                spoken.ends[i] = SpeechEnd::Failed;
            }
            ++done;
        }
    };
    std::vector<std::jthread> workers(std::max(1U, std::thread::hardware_concurrency()) - 1);
    for (auto& worker : workers)
        worker = std::jthread(work);
    work();
    return spoken;
}

SpeakEmptyResult FillEmptyEvents(VoiceBank& bank, std::span<const std::uint8_t> events,
                                 const SpokenTakes& spoken) {
    SpeakEmptyResult result;
    const double target = LevelTarget(bank);
    for (std::size_t i = 0; i < events.size() && i < spoken.ends.size(); ++i) {
        switch (spoken.ends[i]) {
        case SpeechEnd::Failed:
            ++result.failed;
            continue;
        case SpeechEnd::TooLong:
            ++result.tooLong;
            continue;
        case SpeechEnd::Stopped:
            ++result.stopped;
            continue;
        case SpeechEnd::Spoken:
            break;
        }
        const std::vector<std::int16_t>& take = spoken.takes[i];
        const TakeRange range = TrimSilence(take);
        const auto phrase = PreparedTake(std::span(take).subspan(range.begin, range.Length()), true, target);
        if (phrase.size() > bank.FreeSamples()) {
            ++result.tooLong;
            continue;
        }
        bank.ClearSlot(events[i]);
        for (const std::int16_t s : phrase)
            bank.AppendSample(events[i], s);
        ++result.filled;
    }
    return result;
}
