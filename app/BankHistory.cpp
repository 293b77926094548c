#include "BankHistory.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t kNoState = std::numeric_limits<std::size_t>::max();

std::size_t ByteLength(std::uint32_t count) {
    return (std::size_t(count) + 1) / 2;
}

bool SameCodes(const VoiceSlot& slot, const std::vector<std::uint8_t>& bytes, std::uint32_t count) {
    return slot.count == count && std::equal(bytes.begin(), bytes.end(), slot.buffer.begin());
}

} // namespace

void BankHistory::Reset(const VoiceBank& bank) {
    states_.assign(1, Take(bank));
    current_ = 0;
    saved_ = 0;
}

BankHistory::State BankHistory::Take(const VoiceBank& bank) const {
    State state;
    for (std::uint8_t i = 0; i < kSlotCount; ++i) {
        const VoiceSlot& slot = bank.Slot(i);
        const std::shared_ptr<const SlotCodes>* before =
            states_.empty() ? nullptr : &states_[current_].codes[i];
        if (before && SameCodes(slot, (*before)->bytes, (*before)->count)) {
            state.codes[i] = *before;
            continue;
        }
        const auto begin = slot.buffer.begin();
        state.codes[i] = std::make_shared<const SlotCodes>(
            SlotCodes{slot.count, std::vector<std::uint8_t>(begin, begin + ByteLength(slot.count))});
    }
    return state;
}

void BankHistory::Restore(VoiceBank& bank, const State& from, const State& to) {
    for (std::uint8_t i = 0; i < kSlotCount; ++i)
        if (to.codes[i] != from.codes[i])
            bank.RestoreSlot(i, to.codes[i]->bytes, to.codes[i]->count);
}

void BankHistory::Record(const VoiceBank& bank, int event, const QString& what) {
    State state = Take(bank);
    if (state.codes == states_[current_].codes)
        return;
    state.event = event;
    state.what = what;
    states_.resize(current_ + 1);
    if (saved_ > current_)
        saved_ = kNoState;
    states_.push_back(std::move(state));
    ++current_;
    if (states_.size() > kSteps + 1) {
        states_.erase(states_.begin());
        --current_;
        saved_ = saved_ == 0 || saved_ == kNoState ? kNoState : saved_ - 1;
    }
}

void BankHistory::MarkSaved() {
    saved_ = current_;
}

QString BankHistory::UndoText() const {
    return CanUndo() ? states_[current_].what : QString();
}

QString BankHistory::RedoText() const {
    return CanRedo() ? states_[current_ + 1].what : QString();
}

int BankHistory::Undo(VoiceBank& bank) {
    if (!CanUndo())
        return -1;
    const int event = states_[current_].event;
    --current_;
    Restore(bank, states_[current_ + 1], states_[current_]);
    return event;
}

int BankHistory::Redo(VoiceBank& bank) {
    if (!CanRedo())
        return -1;
    ++current_;
    Restore(bank, states_[current_ - 1], states_[current_]);
    return states_[current_].event;
}
