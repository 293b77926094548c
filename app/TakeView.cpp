#include "TakeView.h"

#include "take/Waveform.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

TakeView::TakeView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
}

void TakeView::SetTake(const std::vector<std::int16_t>* take, TakeRange range) {
    take_ = take && !take->empty() ? take : nullptr;
    range_ = take_ ? range : TakeRange{};
    update();
}

int TakeView::XOf(std::size_t sample) const {
    if (!take_)
        return 0;
    return int(std::min<std::size_t>(std::size_t(width()), sample * std::size_t(width()) / take_->size()));
}

std::size_t TakeView::SampleAt(int x) const {
    if (!take_ || width() <= 0)
        return 0;
    const auto column = std::size_t(std::clamp(x, 0, width()));
    return std::min(take_->size(),
                    (column * take_->size() + std::size_t(width()) / 2) / std::size_t(width()));
}

void TakeView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (!take_)
        return;
    const int middle = height() / 2;
    const double scale = double(height() - 2) / 65536.0;
    const int begin = XOf(range_.begin), end = XOf(range_.end);
    const auto columns = WaveColumns(*take_, std::size_t(width()));
    for (int x = 0; x < int(columns.size()); ++x) {
        // The parts that are cut away are drawn faint.
        painter.setPen(x >= begin && x < end ? palette().color(QPalette::Text)
                                             : palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawLine(x, middle - int(columns[std::size_t(x)].high * scale), x,
                         middle - int(columns[std::size_t(x)].low * scale));
    }
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(begin, 0, begin, height());
    painter.drawLine(end, 0, end, height());
}

void TakeView::mousePressEvent(QMouseEvent* event) {
    if (!take_ || event->button() != Qt::LeftButton)
        return;
    const int x = int(event->position().x());
    draggingEnd_ = std::abs(x - XOf(range_.end)) < std::abs(x - XOf(range_.begin));
    MoveMarker(x);
}

void TakeView::mouseMoveEvent(QMouseEvent* event) {
    if (take_ && (event->buttons() & Qt::LeftButton))
        MoveMarker(int(event->position().x()));
}

// A marker never passes the other: the kept part is at least one sample.
void TakeView::MoveMarker(int x) {
    const std::size_t sample = SampleAt(x);
    if (draggingEnd_)
        range_.end = std::clamp(sample, range_.begin + 1, take_->size());
    else
        range_.begin = std::min(sample, range_.end - 1);
    update();
    emit RangeChanged();
}
