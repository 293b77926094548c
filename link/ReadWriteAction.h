#pragma once

#include "controller/TransferView.h"

#include <QDialog>

#include <atomic>
#include <chrono>

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

    std::atomic<bool> CancelFlag{false}; // set by Button1Click, never cleared

    void Button1Click();
    // A caption longer than the label's two lines (a port error with its advice) makes the dialog taller
    // rather than hiding the end of the message.
    void SetActionCaption(const QString& caption);
    void SetActionColor(TColor color);
    // The bar's text: the percent done and, once the first seconds of a pass over the memory have given
    // its pace, the time left. A pass starts where the bar goes back (writing, then reading back).
    void ShowProgress(int value, std::chrono::steady_clock::time_point now);

protected:
    // Escape and the window manager's close request count as a click on the button: only the worker
    // closes the dialog, once the transfer has stopped.
    void reject() override;

private:
    void PlaceControls(int extraHeight);

    std::chrono::steady_clock::time_point passStart_{};
    int passStartValue_ = 0;
    int lastValue_ = -1;
};

// The dialog of the transfer in progress, or null. Published by the GUI thread once the dialog exists;
// the worker polls it.
extern std::atomic<TFormReadWriteAtion*> FormReadWriteAtion;
