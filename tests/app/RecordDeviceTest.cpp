// The record dialog against a real sound server: a PulseAudio of the test's own whose only input is a
// pipe source fed with a known signal. What a real device records is checked for its frequency and
// level, not for exact sample counts. Each test runs in a process of its own, and the server is up
// before Qt first looks for it.
#include "app/RecordForm.h"
#include "app/SoundOutput.h"

#include "AppTestSupport.h"
#include "tests/support/sound/SoundServer.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr double kToneHz = 1000, kToneLevel = 0.316; // -10 dBFS

// Silence, a 1 s tone, silence.
std::vector<std::int16_t> ToneBurst() {
    constexpr int rate = FeedingSoundServer::kRate;
    std::vector<std::int16_t> signal;
    for (int i = 0; i < int(1.8 * rate); ++i) {
        const double t = double(i) / rate;
        const double tone =
            t >= 0.3 && t < 1.3 ? kToneLevel * std::sin(2 * std::numbers::pi * kToneHz * t) : 0;
        signal.push_back(std::int16_t(std::lround(tone * 32767)));
    }
    return signal;
}

TEST(RecordDeviceTest, RecordsTheToneAtItsFrequencyAndLevel) {
    TestApplication();
    FeedingSoundServer server;
    if (!server.Problem().empty())
        GTEST_SKIP() << server.Problem();
    VoiceBank bank;
    const auto output = SoundOutput::Device();
    TFormRecord dialog(bank, 0, QStringLiteral("Тревога по входу 1"), *output);
    // The user picks the input: PulseAudio may mark none as the default.
    const int index = dialog.ComboBoxDevice->findText(FeedingSoundServer::kDescription, Qt::MatchContains);
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
    server.Loop(ToneBurst());
    const bool heard = QTest::qWaitFor([&] { return quietAfterTone; }, 20000);
    dialog.BitBtnCapture->click();
    server.StopFeeding();
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
