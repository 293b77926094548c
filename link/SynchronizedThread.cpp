#include "link/SynchronizedThread.h"

#include <QCoreApplication>

#include <utility>

SynchronizedThread::SynchronizedThread(QObject* parent) : QThread(parent) {}

SynchronizedThread::~SynchronizedThread() {
    WaitFor();
}

void SynchronizedThread::Synchronize(const std::function<void()>& job) {
    QThread* const current = QThread::currentThread();
    if (auto* worker = dynamic_cast<SynchronizedThread*>(current))
        worker->HandOverAndWait(job);
    else if (current == QCoreApplication::instance()->thread())
        job();
    else // any other thread: an ordinary blocking call, as nothing waits for such a thread in WaitFor
        QMetaObject::invokeMethod(QCoreApplication::instance(), job, Qt::BlockingQueuedConnection);
}

void SynchronizedThread::HandOverAndWait(const std::function<void()>& job) {
    HandOver handOver{&job, nullptr};
    {
        std::lock_guard lock(mutex_);
        pending_ = &handOver;
    }
    changed_.notify_all(); // wakes WaitFor
    QMetaObject::invokeMethod(
        this, [this] { ServePending(); }, Qt::QueuedConnection); // wakes the event loop
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return handOver.done; });
    if (handOver.error)
        std::rethrow_exception(handOver.error);
}

void SynchronizedThread::ServePending() {
    HandOver* handOver = nullptr;
    {
        std::lock_guard lock(mutex_);
        handOver = std::exchange(pending_, nullptr);
    }
    if (!handOver)
        return; // WaitFor or an earlier wake-up already ran it
    try {
        (*handOver->job)();
    } catch (...) {
        handOver->error = std::current_exception();
    }
    {
        std::lock_guard lock(mutex_);
        handOver->done = true;
    }
    changed_.notify_all();
}

void SynchronizedThread::WaitFor() {
    if (!isRunning()) { // never started, or already over: nothing can be handed over any more
        wait();
        return;
    }
    for (;;) {
        ServePending();
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return pending_ || executed_; });
        if (!pending_)
            break;
    }
    wait(); // Execute has returned; the thread itself ends right after
}

void SynchronizedThread::run() {
    Execute();
    {
        std::lock_guard lock(mutex_);
        executed_ = true;
    }
    changed_.notify_all();
}
