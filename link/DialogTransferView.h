#pragma once

#include "controller/TransferView.h"
#include "link/Transfer.h"

#include <QString>

#include <chrono>
#include <functional>

// The progress dialog in FormReadWriteAtion and the main window's status panel 2 as the protocol sees
// them: each change is handed to the GUI thread (SynchronizedThread::Synchronize), and the calling worker
// waits until it is done.
// A progress position is handed over on its own only when it moves the bar by a pixel and the bar was
// last moved a frame (about 16 ms) ago, so that a transfer is paced by the line and not by the window.
// The latest position goes along with the next change of any other kind, and the ends of the range are
// always shown, so the bar is exact whenever something else in the dialog changes.
class DialogTransferView : public TransferView {
public:
    explicit DialogTransferView(std::function<void(const QString&)> setStatusPanel2);

    void SetActionCaption(const std::string& caption) override;
    void SetActionColor(TColor color) override;
    void SetProgressMax(std::int32_t maximum) override;
    void SetProgressPosition(std::int32_t position) override;
    bool CancelFlag() const override;
    void SetStatusPanel2(const std::string& text) override;
    void OfferReadBack() override;  // shows CompareConfCheckBox and ticks it
    bool ReadBackChosen() override; // reads the box and, when ticked, disables it in the same hand-over
    // Once the memory is written whole, a stop needs no question any more.
    void MemoryBeingWritten(bool writing) override;

    // Once the worker has ended.
    MemoryWritten Written() const { return memoryWritten_; }

private:
    bool ChangesBar(std::int32_t position) const;
    template <typename Change>
    void ChangeDialog(Change change);

    std::function<void(const QString&)> setStatusPanel2_;
    // What the bar shows, as last handed over; written on the GUI thread while the worker waits.
    std::int32_t shownPosition_ = 0;
    std::int32_t latestPosition_ = 0;
    std::int32_t maximum_ = 100;
    std::int32_t barWidth_ = 0;
    std::chrono::steady_clock::time_point barMoved_{};
    MemoryWritten memoryWritten_ = MemoryWritten::Nothing; // by the worker, read once it has ended
};
