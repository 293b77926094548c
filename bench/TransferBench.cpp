// Programs a full bank with read-back through the main window, offscreen, against the controller
// emulator, and prints how long it takes: against the unpaced emulator (the program's own cost, beside
// the protocol alone on the same line) and, with --paced, at 115200 baud as the line allows (the
// overhead over the time the bytes need on the wire).
//
//   bench-transfer [--paced]

#include "ProgressDialogUser.h"
#include "app/MainForm.h"
#include "controller/ControllerProtocol.h"
#include "emulator/ControllerEmulator.h"
#include "link/ReadWriteAction.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QLabel>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 9;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

class NoView : public TransferView {
public:
    void SetActionCaption(const std::string&) override {}
    void SetActionColor(TColor) override {}
    void SetProgressMax(std::int32_t) override {}
    void SetProgressPosition(std::int32_t) override {}
    bool CancelFlag() const override { return false; }
    void SetStatusPanel2(const std::string&) override {}
};

void FillToCapacity(VoiceBank& bank) {
    std::uint32_t noise = 1;
    bank.ResetEncoder();
    while (bank.FreeSamples() > 0) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        bank.AppendSample(0, static_cast<std::int16_t>(noise));
    }
}

struct Timing {
    double toOutcome = 0; // from the action to "Закрыть"
    double total = 0;     // from the action to its return, after the click
    QString outcome;
};

Timing RunAction(QAction& action, ProgressDialogUser& user, bool readBack) {
    user.Reset();
    if (!readBack)
        user.act = [](TFormReadWriteAtion& dialog) { // while the image is written
            if (dialog.ActionName->text() != "Программирование голосовых сообщений...")
                return false;
            dialog.CompareConfCheckBox->setChecked(false);
            return true;
        };
    const auto start = Clock::now();
    action.trigger();
    return {Seconds(user.outcomeAt - start), Seconds(Clock::now() - start), user.closing.caption};
}

// The same exchange without window or dialog, on a thread of its own while the GUI thread idles in its
// event loop as it does during a transfer; -1 when it fails.
double ProtocolAlone(TForm1& form) {
    double seconds = -1;
    QEventLoop idle;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        NoView view;
        ControllerProtocol alone(form.ComPort1, view);
        const auto start = Clock::now();
        if (alone.Identify() == 0) {
            alone.EnterProgrammingMode();
            if (alone.WriteImage(form.workingBank.image) == 0 && alone.ReadImage(form.scratchBank.image) == 0)
                seconds = Seconds(Clock::now() - start);
        }
        QMetaObject::invokeMethod(&idle, &QEventLoop::quit, Qt::QueuedConnection);
    }));
    thread->start();
    idle.exec();
    thread->wait();
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Unpaced() {
    emulator::ControllerEmulator controller;
    TForm1 form;
    form.ComPort1.SetPort(controller.SlavePath());
    form.ComPort1.Open();
    FillToCapacity(form.workingBank);
    ProgressDialogUser user;

    std::vector<double> window, protocol, closing;
    for (int run = 0; run < kRuns; ++run) {
        const Timing timing = RunAction(*form.Programm, user, true);
        if (timing.outcome != "Программирование завершено успешно") {
            std::fprintf(stderr, "unexpected outcome: %s\n", timing.outcome.toUtf8().constData());
            return 1;
        }
        window.push_back(timing.toOutcome);
        closing.push_back(timing.total - timing.toOutcome);

        protocol.push_back(ProtocolAlone(form));
        if (protocol.back() < 0)
            return 1;
    }
    std::printf("program with read-back, full bank, unpaced emulator (median of %d)\n", kRuns);
    std::printf("  through the window, action to outcome: %.3f s\n", Median(window));
    std::printf("  protocol alone, worker thread only:    %.3f s\n", Median(protocol));
    std::printf("  window overhead:                       %.3f s (%.1f%%)\n",
                Median(window) - Median(protocol),
                100 * (Median(window) - Median(protocol)) / Median(protocol));
    std::printf("  click on \"Закрыть\" to action's return: %.3f s\n", Median(closing));
    return 0;
}

// Bytes on the wire, 10 bits each: identification and "FPRG" at 4800 baud, the image at 115200.
double LineSeconds(bool readBack) {
    const double slow = (5 + 23 + 5 + 1) * 10.0 / 4800;
    const double write = (2249.0 * 6 + kImageSize + 2249.0 * 7) * 10 / 115200;
    const double read = (2249.0 * 6 + 2249.0 * 6 + kImageSize) * 10 / 115200;
    return slow + write + (readBack ? read : 0);
}

int Paced() {
    emulator::Options options;
    options.paced = true;
    emulator::ControllerEmulator controller(options);
    TForm1 form;
    form.ComPort1.SetPort(controller.SlavePath());
    form.ComPort1.Open();
    FillToCapacity(form.workingBank);
    ProgressDialogUser user;
    user.patience = std::chrono::seconds(300);

    const Timing timing = RunAction(*form.Programm, user, false);
    if (timing.outcome != "Программирование завершено без проверки") {
        std::fprintf(stderr, "unexpected outcome: %s\n", timing.outcome.toUtf8().constData());
        return 1;
    }
    const double line = LineSeconds(false);
    std::printf("program without read-back, full bank, emulator paced at 115200 baud\n");
    std::printf("  action to outcome: %.3f s, line time %.3f s, overhead %.3f s (%.2f%%)\n", timing.toOutcome,
                line, timing.toOutcome - line, 100 * (timing.toOutcome - line) / line);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool paced = argc > 1 && std::strcmp(argv[1], "--paced") == 0;
    return paced ? Paced() : Unpaced();
}
