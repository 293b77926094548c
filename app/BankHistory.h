#pragma once

#include "voice/Voicebank.h"

#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

// Undo and redo of the changes to the working bank, in memory only. Each state is a copy of the
// slots' codes; a slot that a change left alone is shared with the state before, so the usual change
// (one phrase) costs one phrase.
class BankHistory {
public:
    static constexpr std::size_t kSteps = 100; // changes that can be undone

    // The bank as it is now, with nothing to undo, is what the voice file holds. Called before any other.
    void Reset(const VoiceBank& bank);

    // After a change to the bank, made with the event selected that the change concerned; what names
    // the change for the user. Nothing is recorded when the bank is as it was. The steps that were
    // undone are dropped.
    void Record(const VoiceBank& bank, int event, const QString& what);

    // The bank now is what the voice file holds (opened or saved).
    void MarkSaved();
    // The bank differs from what the voice file holds.
    bool Modified() const { return saved_ != current_; }

    bool CanUndo() const { return current_ > 0; }
    bool CanRedo() const { return current_ + 1 < states_.size(); }
    QString UndoText() const; // the change that Undo takes back, "" when none
    QString RedoText() const;

    // Put the bank back one step; return the event the step concerned (-1 when there is none).
    int Undo(VoiceBank& bank);
    int Redo(VoiceBank& bank);

private:
    struct SlotCodes {
        std::uint32_t count = 0;
        std::vector<std::uint8_t> bytes;
    };
    struct State {
        std::array<std::shared_ptr<const SlotCodes>, kSlotCount> codes;
        int event = 0;
        QString what; // the change that led to this state
    };

    State Take(const VoiceBank& bank) const;
    static void Restore(VoiceBank& bank, const State& from, const State& to);

    std::vector<State> states_;
    std::size_t current_ = 0;
    // The state that the voice file holds; none (past the end) once that state is dropped.
    std::size_t saved_ = 0;
};
