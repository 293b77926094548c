#include "SpeechProgress.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include <thread>

namespace {

constexpr int kRefreshMs = 100;
std::stop_source* running = nullptr; // GUI thread only

QString DoneText(int done, int count) {
    return QStringLiteral("Озвучено %1 из %2").arg(done).arg(count);
}

} // namespace

void RunSpeech(QWidget* parent, int count,
               const std::function<void(std::stop_token, std::atomic<int>&)>& work) {
    QProgressDialog dialog(DoneText(0, count), QStringLiteral("Отмена"), 0, count, parent);
    dialog.setObjectName(QStringLiteral("SpeechProgress"));
    dialog.setWindowTitle(QStringLiteral("Озвучивание"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    dialog.setMinimumDuration(0);

    std::stop_source stop;
    std::atomic<int> done{0};
    QEventLoop loop;
    QTimer refresh;
    // The Cancel button, Esc and the title bar's close box all end in a cancelled dialog.
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&stop] { stop.request_stop(); });
    QObject::connect(&dialog, &QDialog::rejected, &dialog, [&stop] { stop.request_stop(); });
    QObject::connect(&refresh, &QTimer::timeout, &dialog, [&] {
        if (dialog.wasCanceled())
            stop.request_stop();
        dialog.setValue(done);
        dialog.setLabelText(DoneText(done, count));
    });
    std::stop_source* const outer = std::exchange(running, &stop);
    std::jthread worker([&] {
        try {
            work(stop.get_token(), done);
        } catch (...) { // the work reports its own failures; nothing may end the program here
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    refresh.start(kRefreshMs);
    dialog.show();
    loop.exec();
    running = outer;
}

void StopRunningSpeech() {
    if (running)
        running->request_stop();
}

bool SpeechRunning() {
    return running != nullptr;
}
