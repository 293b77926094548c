#include "EventList.h"

#include "SecondsText.h"
#include "voice/Voicebank.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

constexpr int kGap = 16; // between an event's text and its duration

// Draws the item as usual, then its duration (the tooltip) at the right in the same colour.
class DurationDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const bool selected = item.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(item.rect.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
                          index.data(Qt::ToolTipRole).toString());
        painter->restore();
    }
};

} // namespace

void ShowDurationsInOpenList(QComboBox& list) {
    list.setItemDelegate(new DurationDelegate(&list));
    // The longest event texts don't fit the box: the open list shows them whole, and the durations
    // beside them.
    const QFontMetrics metrics = list.view()->fontMetrics();
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list.itemText(i)));
    const int duration = std::max(metrics.horizontalAdvance(DurationText(kCapacitySamples - 1)),
                                  metrics.horizontalAdvance(PhraseText(0)));
    list.view()->setMinimumWidth(widest + kGap + duration + 24 +
                                 list.view()->verticalScrollBar()->sizeHint().width());
}

void ShowPhrases(QComboBox& list, const VoiceBank& bank) {
    const QBrush empty = list.palette().brush(QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < list.count(); ++i) {
        const std::uint32_t count = bank.Slot(std::uint8_t(i)).count;
        list.setItemData(i, PhraseText(count), Qt::ToolTipRole);
        list.setItemData(i, count == 0 ? QVariant(empty) : QVariant(), Qt::ForegroundRole);
    }
}
