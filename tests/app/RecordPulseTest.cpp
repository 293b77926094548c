// The record dialog against a real sound server: a PulseAudio of the test's own, whose only input is a
// pipe source fed from a FIFO with a known signal. What a real device records is checked for its
// frequency and level, not for exact sample counts. Skipped when PulseAudio cannot start here.
#include "app/RecordForm.h"
#include "app/SoundOutput.h"

#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <fcntl.h>
#include <numbers>
#include <spawn.h>
#include <string_view>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr double kToneHz = 1000, kToneLevel = 0.316; // -10 dBFS
const char* const kDescription = "Test_FIFO";

QTemporaryDir* serverDir = nullptr;
pid_t server = 0;
std::string skipReason;

// A PulseAudio of its own in a private folder; it must be up before the application asks for devices
// (a server started later is never seen by a running program).
void StartServer() {
    serverDir = new QTemporaryDir();
    const std::string dir = serverDir->path().toStdString();
    const std::string socket = dir + "/native";
    std::vector<std::string> args = {"timeout",
                                     "300",
                                     "pulseaudio",
                                     "-n",
                                     "--daemonize=no",
                                     "--exit-idle-time=-1",
                                     "--disable-shm=yes",
                                     "--use-pid-file=no",
                                     "--log-target=stderr",
                                     "-L",
                                     "module-native-protocol-unix socket=" + socket + " auth-anonymous=1",
                                     "-L",
                                     "module-pipe-source source_name=testfifo file=" + dir +
                                         "/fifo format=s16le rate=48000 channels=1 "
                                         "source_properties=device.description=" +
                                         kDescription};
    std::vector<std::string> env = {"HOME=" + dir, "XDG_RUNTIME_DIR=" + dir, "PATH=/usr/bin:/bin"};
    std::vector<char*> argv, envp;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir + "/server.log").c_str(),
                                     O_WRONLY | O_CREAT, 0644);
    if (posix_spawnp(&server, "timeout", &actions, nullptr, argv.data(), envp.data()) != 0) {
        skipReason = "pulseaudio could not be started";
        server = 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    // Up when its socket and its FIFO are there, or given up after 10 s.
    for (int i = 0; server && i < 200; ++i) {
        if (access(socket.c_str(), F_OK) == 0 && access((dir + "/fifo").c_str(), F_OK) == 0)
            return;
        if (waitpid(server, nullptr, WNOHANG) == server) {
            server = 0;
            break;
        }
        usleep(50000);
    }
    skipReason = "pulseaudio did not start here";
}

void StopServer() {
    if (server) {
        kill(server, SIGTERM);
        waitpid(server, nullptr, 0);
    }
    delete serverDir;
}

// Silence, a tone, silence, over and over at the pace of a real device until told to stop: the pipe
// source passes on whatever arrives, and drops what arrives before anyone records.
void FeedFifo(const std::string& fifo, const std::atomic<bool>& stop) {
    std::vector<std::int16_t> signal;
    for (int i = 0; i < int(1.8 * kRate); ++i) {
        const double t = double(i) / kRate;
        const double tone =
            t >= 0.3 && t < 1.3 ? kToneLevel * std::sin(2 * std::numbers::pi * kToneHz * t) : 0;
        signal.push_back(std::int16_t(std::lround(tone * 32767)));
    }
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0)
        return;
    constexpr std::size_t kChunk = kRate / 50;
    auto due = std::chrono::steady_clock::now();
    for (std::size_t at = 0; !stop; at = (at + kChunk) % signal.size()) {
        if (write(fd, signal.data() + at, kChunk * 2) <= 0)
            break;
        due += std::chrono::milliseconds(20);
        std::this_thread::sleep_until(due);
    }
    close(fd);
}

TEST(RecordWithPulseAudio, RecordsTheToneAtItsFrequencyAndLevel) {
    if (!skipReason.empty())
        GTEST_SKIP() << skipReason;
    VoiceBank bank;
    const auto output = SoundOutput::Device();
    TFormRecord dialog(bank, 0, QStringLiteral("Тревога по входу 1"), *output);
    // The user picks the input; PulseAudio may mark none as the default.
    const int index = dialog.ComboBoxDevice->findText(kDescription, Qt::MatchContains);
    ASSERT_GE(index, 0) << "the pipe source is not offered";
    dialog.ComboBoxDevice->setCurrentIndex(index);
    dialog.ComboBoxDeviceChange();
    ASSERT_TRUE(dialog.BitBtnCapture->isEnabled());

    int loudest = 0;
    bool quietAfterTone = false;
    QObject::connect(dialog.ProgressBarLevel, &QProgressBar::valueChanged, [&](int v) {
        loudest = std::max(loudest, v);
        quietAfterTone = quietAfterTone || (loudest > 40 && v < 10);
    });
    dialog.BitBtnCapture->click();
    std::atomic<bool> stop{false};
    std::thread feeder(FeedFifo, serverDir->path().toStdString() + "/fifo", std::cref(stop));
    const bool heard = QTest::qWaitFor([&] { return quietAfterTone; }, 20000);
    dialog.BitBtnCapture->click();
    stop = true;
    feeder.join();
    ASSERT_TRUE(heard) << "the tone did not arrive; loudest meter value " << loudest;

    // The kept part is the tone with its margins; in its middle, 1 kHz at -10 dBFS.
    const TakeRange range = dialog.KeptRange();
    EXPECT_NEAR(double(range.Length()) / 8000, 1.2, 0.1);
    const auto& take = dialog.Take();
    const std::size_t from = range.begin + 2400, to = range.end - 2400; // 0.2 s in from each marker
    int crossings = 0, peak = 0;
    for (std::size_t i = from; i + 1 < to; ++i) {
        crossings += (take[i] < 0) != (take[i + 1] < 0);
        peak = std::max(peak, std::abs(int(take[i])));
    }
    EXPECT_NEAR(crossings / 2.0 / (double(to - from) / 8000), kToneHz, 10);
    EXPECT_NEAR(20 * std::log10(peak / 32768.0), -10, 1);

    // Loading closes the dialog, which lets the device go.
    dialog.BitBtnLoad->click();
    EXPECT_EQ(bank.Slot(0).count, range.Length());
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool listing = argc > 1 && std::string_view(argv[1]) == "--gtest_list_tests";
    if (!listing)
        StartServer();
    int result = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    StopServer();
    return result;
}
