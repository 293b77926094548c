#pragma once

#include "take/Trim.h"

#include <QWidget>

#include <cstdint>
#include <vector>

// A take drawn as its waveform, with the start and end markers of the part that is kept. The markers
// move with the mouse: a press takes the nearer one.
class TakeView : public QWidget {
    Q_OBJECT

public:
    explicit TakeView(QWidget* parent = nullptr);

    void SetTake(const std::vector<std::int16_t>* take, TakeRange range); // nullptr: nothing to show
    TakeRange Range() const { return range_; }
    // The x of a marker at the sample, and the sample under an x.
    int XOf(std::size_t sample) const;
    std::size_t SampleAt(int x) const;

signals:
    void RangeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void MoveMarker(int x);

    const std::vector<std::int16_t>* take_ = nullptr;
    TakeRange range_;
    bool draggingEnd_ = false;
};
