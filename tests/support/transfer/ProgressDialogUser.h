#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

class TFormReadWriteAtion;

// What the progress dialog shows at one moment.
struct DialogState {
    QString caption;
    QColor colour;
    int progress = -1;
    int maximum = -1;
    bool boxShown = false;
    bool boxChecked = false;
    bool boxEnabled = false;
    QString button;
};

DialogState Snapshot(const TFormReadWriteAtion& dialog);

// Plays the user of the transfer in progress: looks at the dialog in FormReadWriteAtion every couple of
// milliseconds from the GUI thread's modal loop, lets `act` do something to it (until act returns true),
// and clicks "Закрыть" as soon as the outcome is up. A transfer still running after `patience` is
// cancelled, so that a fault fails a test instead of hanging it.
class ProgressDialogUser : public QObject {
public:
    ProgressDialogUser();

    std::function<bool(TFormReadWriteAtion&)> act;
    std::vector<DialogState> seen; // each state whose caption, colour or check box differs from the last
    DialogState closing;           // the dialog as the worker closed it
    bool clickedClose = false;     // the outcome came up with "Закрыть", and it was clicked
    bool gaveUp = false;
    std::chrono::seconds patience{240}; // a whole transfer on a busy machine, within the test's limit
    std::chrono::steady_clock::time_point outcomeAt{}; // when "Закрыть" was first seen

    void Reset(); // for the next transfer

private:
    void Look();

    QTimer timer_;
    TFormReadWriteAtion* watched_ = nullptr;
    std::chrono::steady_clock::time_point firstSeen_{};
};
