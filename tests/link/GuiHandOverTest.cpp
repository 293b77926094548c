#include "link/DialogTransferView.h"
#include "link/ReadWriteAction.h"
#include "link/SynchronizedThread.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

// A worker whose Execute is the given function.
class Worker : public SynchronizedThread {
public:
    explicit Worker(std::function<void()> body) : body_(std::move(body)) {}
    ~Worker() override { WaitFor(); }

private:
    void Execute() override { body_(); }
    std::function<void()> body_;
};

class HandOver : public ::testing::Test {};

// The GUI thread's wait for the worker must itself run what the worker hands over, or both wait for
// ever; here nothing else runs the GUI thread's event loop.
TEST_F(HandOver, WaitingForTheWorkerRunsItsHandOversInOrderOnTheGuiThread) {
    QThread* const gui = QThread::currentThread();
    std::vector<int> ran;
    bool allOnGui = true;
    Worker worker([&] {
        for (int i = 0; i < 200; ++i)
            SynchronizedThread::Synchronize([&, i] {
                allOnGui = allOnGui && QThread::currentThread() == gui;
                ran.push_back(i);
            });
    });
    worker.start();
    worker.WaitFor();
    ASSERT_EQ(ran.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(ran[i], i);
    EXPECT_TRUE(allOnGui);
    EXPECT_TRUE(worker.isFinished());
}

// As in a transfer: a modal loop serves the hand-overs until one of them ends it, then destruction
// serves the rest.
TEST_F(HandOver, AnEventLoopServesHandOversUntilTheWorkerEndsIt) {
    QEventLoop modal;
    int afterLoop = 0;
    {
        Worker worker([&] {
            SynchronizedThread::Synchronize([&] { modal.quit(); });
            for (int i = 0; i < 50; ++i)
                SynchronizedThread::Synchronize([&] { ++afterLoop; });
        });
        worker.start();
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &modal, [&] { modal.exit(1); });
        guard.start(60000);
        EXPECT_EQ(modal.exec(), 0);
    }
    EXPECT_EQ(afterLoop, 50);
}

TEST_F(HandOver, AnExceptionOnTheGuiThreadReachesTheWorker) {
    std::string caught;
    Worker worker([&] {
        try {
            SynchronizedThread::Synchronize([] { throw std::runtime_error("widget gone"); });
        } catch (const std::runtime_error& e) {
            caught = e.what();
        }
    });
    worker.start();
    worker.WaitFor();
    EXPECT_EQ(caught, "widget gone");
}

TEST_F(HandOver, OnTheGuiThreadAHandOverRunsAtOnceAndAnUnstartedWorkerEndsQuietly) {
    bool ran = false;
    SynchronizedThread::Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
    Worker idle([] { FAIL() << "never started"; });
}

// Threads of other kinds (a test's own, say) get an ordinary blocking call, served by the event loop.
TEST_F(HandOver, AnyOtherThreadIsServedByTheEventLoop) {
    QThread* const gui = QThread::currentThread();
    QThread* ranOn = nullptr;
    QEventLoop loop;
    std::unique_ptr<QThread> plain(QThread::create([&] {
        SynchronizedThread::Synchronize([&] { ranOn = QThread::currentThread(); });
        SynchronizedThread::Synchronize([&] { loop.quit(); });
    }));
    plain->start();
    loop.exec();
    plain->wait();
    EXPECT_EQ(ranOn, gui);
}

class DialogView : public HandOver {
protected:
    DialogView() { FormReadWriteAtion.store(&dialog, std::memory_order_release); }
    ~DialogView() override { FormReadWriteAtion.store(nullptr); }

    void RunInWorker(const std::function<void(DialogTransferView&)>& body) {
        Worker worker([&] {
            DialogTransferView view([&](const QString& text) { panel2 = text; });
            body(view);
        });
        worker.start();
        worker.WaitFor();
    }

    TFormReadWriteAtion dialog;
    QString panel2;
};

TEST_F(DialogView, CaptionColourAndStatusPanelReachTheWindow) {
    RunInWorker([](DialogTransferView& view) {
        view.SetActionColor(TColor::clRed);
        view.SetActionCaption("Контроллер не найден на /dev/pts/7");
        view.SetStatusPanel2("QM.07.03");
    });
    EXPECT_EQ(dialog.ActionName->text(), "Контроллер не найден на /dev/pts/7");
    EXPECT_EQ(dialog.ActionName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(panel2, "QM.07.03");
}

TEST_F(DialogView, TheCancelFlagIsTheDialogsAndFalseWithoutADialog) {
    std::vector<bool> seen;
    RunInWorker([&](DialogTransferView& view) {
        seen.push_back(view.CancelFlag());
        SynchronizedThread::Synchronize([&] { dialog.Button1->click(); });
        seen.push_back(view.CancelFlag());
        SynchronizedThread::Synchronize([] { FormReadWriteAtion.store(nullptr, std::memory_order_release); });
        seen.push_back(view.CancelFlag());
        view.SetActionCaption("ignored");
    });
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
    EXPECT_TRUE(dialog.ActionName->text().isEmpty());
}

// A whole image in 240-byte blocks: the bar must end exactly full, while at most the steps it can show
// are handed over.
TEST_F(DialogView, ProgressIsHandedOverOnlyWhenTheBarVisiblyMoves) {
    int changes = 0;
    QObject::connect(dialog.ProgressBar, &QProgressBar::valueChanged, [&] { ++changes; });
    constexpr std::int32_t kImage = 539648;
    RunInWorker([](DialogTransferView& view) {
        for (int pass = 0; pass < 2; ++pass) {
            view.SetProgressPosition(0);
            view.SetProgressMax(kImage);
            for (std::int32_t offset = 240; offset < kImage; offset += 240)
                view.SetProgressPosition(offset);
            view.SetProgressPosition(kImage);
        }
    });
    EXPECT_EQ(dialog.ProgressBar->maximum(), kImage);
    EXPECT_EQ(dialog.ProgressBar->value(), kImage);
    EXPECT_GE(changes, 2 * 2);
    EXPECT_LE(changes, 2 * (dialog.ProgressBar->width() + 2));
}

// After a failure the bar shows exactly where the transfer stopped, even inside a pixel.
TEST_F(DialogView, ASkippedPositionGoesAlongWithTheNextCaption) {
    RunInWorker([](DialogTransferView& view) {
        view.SetProgressPosition(0);
        view.SetProgressMax(539648);
        view.SetProgressPosition(239520);
        view.SetProgressPosition(240000);
        view.SetActionCaption("Ошибка передачи данных");
    });
    EXPECT_EQ(dialog.ProgressBar->value(), 240000);
}

} // namespace
