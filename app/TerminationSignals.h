#pragma once

#include <QObject>

class QSocketNotifier;

// A logout (SIGHUP, SIGTERM) or Ctrl+C in the starting terminal (SIGINT) asks the program to end. The
// handler only wakes the event loop through a pipe; Received then comes from the loop, where the
// program may do anything. Only one object at a time; it restores the default handling when destroyed.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void Received();

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
};
