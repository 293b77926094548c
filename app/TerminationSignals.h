#pragma once

#include <QObject>

// The system asks the program to end: on Linux a logout (SIGHUP, SIGTERM) or Ctrl+C in the starting
// terminal (SIGINT), on Windows a logoff or shutdown (WM_QUERYENDSESSION). Received comes from the event
// loop, where the program may do anything. Windows may end the process once it has its answer, so the
// answer waits for Received's handler: the session may go on once no window is left, and is held up
// while one is (a transfer being cancelled first). Only one object at a time; it restores the default
// handling when destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void Received();

private:
    QObject* listener_ = nullptr; // the host's means of hearing the request
};
