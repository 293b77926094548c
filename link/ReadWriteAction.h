#pragma once

#include "controller/TransferView.h"

#include <QDialog>

#include <atomic>
#include <chrono>
#include <functional>
#include <utility>

class QCheckBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

// The modal progress dialog of one controller transfer. The worker drives its controls (always on the
// GUI thread) and closes it; the user acts on the transfer only through CancelFlag.
class TFormReadWriteAtion : public QDialog {
public:
    explicit TFormReadWriteAtion(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QProgressBar* ProgressBar;
    QLabel* ActionName;
    QCheckBox* CompareConfCheckBox;
    QPushButton* Button1;

    std::atomic<bool> CancelFlag{false}; // set by Stop, never cleared

    // The user's click on the button: stops the transfer, after the stop question when one is set.
    void Button1Click();
    // Stops the transfer without a question (the program is quitting).
    void Stop();
    // While set, a click asks it first and stops only on true: programming that stops part-way leaves
    // the controller with an incomplete bank. Empty clears it.
    void SetStopQuestion(std::function<bool(QWidget& dialog)> ask) { stopQuestion_ = std::move(ask); }
    // A caption longer than the label's two lines (a port error with its advice) makes the dialog taller
    // rather than hiding the end of the message.
    void SetActionCaption(const QString& caption);
    void SetActionColor(TColor color);
    // The bar's text: the percent done and, once the first seconds of the action have given its pace,
    // the time left of the whole action. The bar goes back where the read-back pass after programming
    // starts; that pass is counted in from the start while the read-back is ticked.
    void ShowProgress(int value, std::chrono::steady_clock::time_point now);

protected:
    // Escape and the window manager's close request count as a click on the button: only the worker
    // closes the dialog, once the transfer has stopped.
    void reject() override;

private:
    void PlaceControls(int extraHeight);

    std::function<bool(QWidget&)> stopQuestion_;
    std::chrono::steady_clock::time_point actionStart_{};
    int startValue_ = 0;
    long long passesDone_ = 0; // the bar's units of the passes before the current one
    int lastValue_ = -1;
};

// The dialog of the transfer in progress, or null. Published by the GUI thread once the dialog exists;
// the worker polls it.
extern std::atomic<TFormReadWriteAtion*> FormReadWriteAtion;
