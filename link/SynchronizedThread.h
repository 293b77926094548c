#pragma once

#include <QThread>

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

// A worker thread that can run a function on the GUI thread and wait for it, and that the GUI thread can
// wait for without deadlock. Create it on the GUI thread: that is the thread Synchronize hands over to.
//
// A plain QThread::wait() on the GUI thread hangs when the worker is blocked in a hand-over at the same
// moment; WaitFor runs such hand-overs while it waits, so both sides always make progress.
class SynchronizedThread : public QThread {
public:
    explicit SynchronizedThread(QObject* parent = nullptr);
    ~SynchronizedThread() override; // waits for Execute to return

    // Runs job on the GUI thread and returns when it has run; an exception it throws is rethrown here.
    // Called on a SynchronizedThread; on the GUI thread job runs at once.
    static void Synchronize(const std::function<void()>& job);

    // GUI thread: returns when Execute has returned, running the worker's hand-overs meanwhile.
    void WaitFor();

protected:
    virtual void Execute() = 0;

private:
    struct HandOver {
        const std::function<void()>* job;
        std::exception_ptr error;
        bool done = false;
    };

    void run() final;
    void HandOverAndWait(const std::function<void()>& job);
    void ServePending();

    std::mutex mutex_;
    std::condition_variable changed_;
    HandOver* pending_ = nullptr; // only the worker hands over, one job at a time
    bool executed_ = false;
};
