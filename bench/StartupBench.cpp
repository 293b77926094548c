// Time from the program's start to its main window shown, with a "default.vce" of a full bank.
// The parent starts this same program as a child that runs the program's own start-up (toolkit,
// translations, single-instance check, window, settings, voice file, port) and reports the moment its
// window is exposed; the parent's clock starts right before the child is spawned, so process start and
// dynamic linking count too. The window is shown on the offscreen platform.

#include "app/MainForm.h"
#include "app/SettingsFile.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"
#include "voice/VoiceFile.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 7;

long long MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// The child: the program's start-up as main runs it, up to the window on the screen.
int RunChild(int argc, char** argv, const QString& runtimeDirectory) {
    const std::unique_ptr<QApplication> application = CreateApplication(argc, argv);
    LoadTranslations(*application);
    const SingleInstance instance(runtimeDirectory, QStringLiteral("bench"));
    const std::unique_ptr<TForm1> window = StartMainWindow(instance);
    if (!window)
        return 1;
    window->show();
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QApplication::processEvents();
    std::printf("%lld\n", MonotonicNanoseconds());
    std::fflush(stdout);
    return window->StatusPanel(1)->text() == QStringLiteral("NC") ? 2 : 0;
}

void WriteFullBank(const QString& path) {
    auto bank = std::make_unique<VoiceBank>();
    const std::uint32_t perSlot = kCapacitySamples / kEventSlotCount / 2 * 2;
    for (std::uint8_t slot = 0; slot < kEventSlotCount; ++slot)
        for (std::uint32_t i = 0; i < perSlot && bank->FreeSamples() > 1; ++i)
            bank->AppendSample(slot, std::int16_t((i * 7919u) & 0x7FFF));
    bank->PackImage();
    if (WriteVoiceFile(path.toStdString(), bank->image) != kVoiceFileOk) {
        std::fprintf(stderr, "can't write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// One start of the child; returns milliseconds from spawn to the window shown.
double TimeOneStart(const char* self, const QString& workDir, const QString& runtimeDir) {
    int out[2];
    if (pipe(out) != 0)
        std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string runtime = runtimeDir.toStdString();
    char* childArgv[] = {const_cast<char*>(self), const_cast<char*>("--child"),
                         const_cast<char*>(runtime.c_str()), nullptr};
    QDir::setCurrent(workDir);
    const long long start = MonotonicNanoseconds();
    pid_t pid = 0;
    if (posix_spawn(&pid, self, &actions, nullptr, childArgv, environ) != 0) {
        std::fprintf(stderr, "can't start %s\n", self);
        std::exit(1);
    }
    close(out[1]);
    char buffer[64] = {};
    const ssize_t n = read(out[0], buffer, sizeof(buffer) - 1);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (n <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "the child failed to start (status %d)\n", status);
        std::exit(1);
    }
    return double(std::atoll(buffer) - start) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 3 && std::string(argv[1]) == "--child")
        return RunChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QTemporaryDir work;
    QTemporaryDir runtime;
    // A pseudo-terminal as the port, so that the start-up opens it without an error box.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::fprintf(stderr, "no pseudo-terminal for the port\n");
        return 1;
    }
    SettingsFile::Save(work.filePath(SettingsFile::kFileName), ptsname(master));
    WriteFullBank(work.filePath(QStringLiteral("default.vce")));

    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    char self[4096] = {};
    if (!realpath(argv[0], self))
        return 1;
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run)
        times.push_back(TimeOneStart(self, work.path(), runtime.path()));
    std::sort(times.begin(), times.end());
    std::printf("start-up to window shown, full bank, %d runs: median %.1f ms, min %.1f ms, max %.1f ms "
                "(target < 500 ms)\n",
                kRuns, times[kRuns / 2], times.front(), times.back());
    close(master);
    return 0;
}
