#pragma once

class QComboBox;
class VoiceBank;

// The event list shows the whole bank: in the open list each event's phrase duration stands at the
// right, and events without a phrase are drawn in the disabled text colour. Both are kept in the
// list's model (the duration as the item's tooltip, the colour as its foreground), where they can be
// read without painting; the closed box shows the selected event's text alone.

// Once, after the events are added.
void ShowDurationsInOpenList(QComboBox& list);

// After every change of the bank.
void ShowPhrases(QComboBox& list, const VoiceBank& bank);
