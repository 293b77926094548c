// Conversion of a long recording into a slot, beside sox doing the same conversion, and the time from
// a click on "Прослушать" to the first bytes the sound device takes.
#include "app/MainForm.h"
#include "app/SoundOutput.h"
#include "audio/ImportRecording.h"
#include "tests/support/sound/SoundServer.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 7;

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Silent final : public ImportQuestions {
public:
    void Report(const ImportMessage&) override {}
};

// 60 s at 44100 Hz in stereo: two voices of tones that rise and fall, different in each channel.
fs::path MakeRecording(const fs::path& folder, const char* name, const char* codec) {
    const fs::path path = folder / name;
    const std::string command =
        "ffmpeg -loglevel error -y -f lavfi -i "
        "\"aevalsrc='0.3*sin(2*PI*220*t)*sin(2*PI*3*t)+0.1*sin(2*PI*1800*t)|"
        "0.25*sin(2*PI*330*t)*sin(2*PI*2*t)+0.1*sin(2*PI*2500*t)':s=44100:d=60\" -c:a " +
        std::string(codec) + " '" + path.string() + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "ffmpeg failed: %s\n", command.c_str());
    return path;
}

void BenchConversion() {
    const fs::path folder = fs::temp_directory_path() / ("bench-sound-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const bool sox = std::system("sox --version >/dev/null 2>&1") == 0;
    auto bank = std::make_unique<VoiceBank>();
    for (const auto& [name, codec] : {std::pair{"in.wav", "pcm_s16le"}, std::pair{"in.mp3", "libmp3lame"}}) {
        const fs::path in = MakeRecording(folder, name, codec);
        std::vector<double> ours, theirs;
        for (int run = 0; run < kRuns; ++run) {
            Silent silent;
            ours.push_back(Seconds([&] { ImportRecording(*bank, 0, in, {}, silent); }));
            const std::string command =
                "sox '" + in.string() + "' -r 8000 -c 1 -b 16 '" + (folder / "out.wav").string() + "'";
            if (sox)
                theirs.push_back(Seconds([&] { (void)std::system(command.c_str()); }));
        }
        std::printf("60 s 44100 Hz stereo %s into a slot (%u samples): median %.1f ms", name + 3,
                    bank->Slot(0).count, 1000 * Median(ours));
        if (sox)
            std::printf("; sox to 8000 Hz mono 16 bit: median %.1f ms", 1000 * Median(theirs));
        std::printf(" (%d runs)\n", kRuns);
    }
    fs::remove_all(folder);
}

// Click on "Прослушать" to the first bytes the device takes from the clip, against a sound server
// of its own.
void BenchClickToSound() {
    TForm1 form;
    auto device = SoundOutput::Device();
    const auto* clip = device->findChild<QBuffer*>(QStringLiteral("clip"));
    form.UseSoundOutput(std::move(device));
    form.workingBank.ClearSlot(1);
    for (int i = 0; i < 16000; ++i)
        form.workingBank.AppendSample(1, std::int16_t(i % 100 * 200 - 10000));
    form.ComboBoxEvents->setCurrentIndex(1);
    emit form.ComboBoxEvents->activated(1);
    std::vector<double> delays;
    for (int run = 0; run < 16; ++run) {
        QElapsedTimer timer;
        timer.start();
        form.BitBtnPlay->click();
        while (clip->pos() == 0 && timer.elapsed() < 2000)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        delays.push_back(double(timer.nsecsElapsed()) / 1e6);
        form.BitBtnPlay->click(); // stop
    }
    std::printf("click on \"Прослушать\" to the first bytes taken by the device: first %.1f ms (connects to "
                "the sound server), then median %.1f ms, worst %.1f ms (%zu clicks)\n",
                delays[0], Median({delays.begin() + 1, delays.end()}),
                *std::max_element(delays.begin() + 1, delays.end()), delays.size() - 1);
}

} // namespace

int main(int argc, char** argv) {
    BenchConversion();
    CapturingSoundServer server; // before Qt looks for a sound server
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    if (!server.Problem().empty()) {
        std::printf("no click-to-sound figure: %s\n", server.Problem().c_str());
        return 0;
    }
    BenchClickToSound();
    return 0;
}
