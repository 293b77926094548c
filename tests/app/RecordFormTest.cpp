// The record dialog with a fake microphone that plays a known signal, and the window's speech actions.
#include "app/RecordForm.h"
#include "AppTestSupport.h"
#include "app/MainForm.h"
#include "app/ModalDialog.h"
#include "app/SecondsText.h"
#include "app/SoundInput.h"
#include "app/SoundOutput.h"
#include "app/TakeView.h"
#include "audio/Loudness.h"
#include "take/Synthesiser.h"
#include "tests/support/dialogs/ScriptedDialogs.h"
#include "voice/Adpcm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

constexpr int kRate = 48000;
constexpr double kBurstStart = 0.5, kBurstEnd = 1.5, kTakeEnd = 2.2; // seconds
constexpr float kBurstLevel = 0.3F;

// A microphone that plays what the test feeds it, in chunks as a device delivers them.
class FakeInput final : public SoundInput {
public:
    std::vector<Device> devices = {{"mic", QStringLiteral("Тестовый микрофон")}};
    QString refusal; // non-empty: Start fails with it
    bool running = false;

    std::vector<Device> Devices() override { return devices; }
    int DefaultDevice() override { return devices.empty() ? -1 : 0; }
    bool Start(const QByteArray&, QString& reason) override {
        reason = refusal;
        running = refusal.isEmpty();
        return running;
    }
    void Stop() override { running = false; }
    int Rate() const override { return kRate; }

    // Silence, a 1 kHz burst, silence.
    void PlayBurst() {
        std::vector<float> chunk;
        for (int i = 0; i < int(kTakeEnd * kRate); ++i) {
            const double t = double(i) / kRate;
            chunk.push_back(t >= kBurstStart && t < kBurstEnd
                                ? kBurstLevel * float(std::sin(2 * std::numbers::pi * 1000 * t))
                                : 0.0F);
            if (chunk.size() == kRate / 50) {
                emit Captured(chunk);
                chunk.clear();
            }
        }
    }
};

// A sound output that keeps what it is given.
class KeptOutput final : public SoundOutput {
public:
    bool Play(const std::vector<std::int16_t>& samples, QString&) override {
        played = samples;
        return true;
    }
    void Stop() override { stopped = true; }
    std::vector<std::int16_t> played;
    bool stopped = false;
};

class RecordFormTest : public ::testing::Test {
protected:
    RecordFormTest() {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        SoundInput::Install([this] {
            auto input = std::make_unique<FakeInput>();
            fake = input.get();
            PrepareInput(*input);
            return input;
        });
    }
    ~RecordFormTest() override {
        QLocale::setDefault(QLocale::c());
        SoundInput::Install({});
        InstallModalRunner({});
    }

    TFormRecord& Open(std::uint8_t slot = 3) {
        form = std::make_unique<TFormRecord>(bank, slot, QStringLiteral("Тревога по входу 1"), output);
        return *form;
    }

    std::function<void(FakeInput&)> PrepareInput = [](FakeInput&) {};
    VoiceBank bank;
    KeptOutput output;
    ScriptedDialogs dialogs;
    FakeInput* fake = nullptr;
    std::unique_ptr<TFormRecord> form;
};

TEST_F(RecordFormTest, RecordedBurstIsTrimmedToItsEdgesAndLoadsNormalised) {
    TFormRecord& dialog = Open();
    EXPECT_EQ(dialog.windowTitle(), "Запись: Тревога по входу 1");
    EXPECT_EQ(dialog.ComboBoxDevice->currentText(), "Тестовый микрофон");
    ASSERT_TRUE(fake->running); // the meter runs before recording
    std::vector<int> levels;
    QObject::connect(dialog.ProgressBarLevel, &QProgressBar::valueChanged,
                     [&](int v) { levels.push_back(v); });

    dialog.BitBtnCapture->click();
    EXPECT_EQ(dialog.BitBtnCapture->text(), "Стоп");
    EXPECT_FALSE(dialog.BitBtnLoad->isEnabled());
    fake->PlayBurst();
    dialog.BitBtnCapture->click();
    EXPECT_EQ(dialog.BitBtnCapture->text(), "Запись");

    // The meter rose to the burst's -10 dBFS and fell back.
    ASSERT_FALSE(levels.empty());
    EXPECT_NEAR(*std::max_element(levels.begin(), levels.end()), 60 - 10.5, 1.5);
    EXPECT_EQ(levels.back(), 0);

    const TakeRange range = dialog.KeptRange();
    EXPECT_NEAR(double(dialog.Take().size()), kTakeEnd * 8000, 8);
    EXPECT_NEAR(double(range.begin), (kBurstStart - 0.1) * 8000, 80);
    EXPECT_NEAR(double(range.end), (kBurstEnd + 0.1) * 8000, 80);
    EXPECT_TRUE(dialog.LabelLength->text().startsWith("Длительность: 1,2"));

    // What is heard is what the slot will play.
    dialog.BitBtnListen->click();
    EXPECT_EQ(dialog.BitBtnListen->text(), "Стоп");
    emit output.Finished();
    EXPECT_EQ(dialog.BitBtnListen->text(), "Прослушать");

    ASSERT_TRUE(dialog.BitBtnLoad->isEnabled());
    dialog.BitBtnLoad->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(fake->running);
    const std::vector<std::int16_t> played = DecodeSlot(bank.Slot(3));
    ASSERT_EQ(played.size(), range.Length());
    EXPECT_EQ(played, output.played);
    // Silent margin, then the burst at the loudness of an empty bank as the controller plays it.
    const auto peakOf = [&](std::size_t from, std::size_t to) {
        int peak = 0;
        for (std::size_t i = from; i < to; ++i)
            peak = std::max(peak, std::abs(int(played[i])));
        return peak;
    };
    EXPECT_LT(peakOf(0, 600), 400);
    EXPECT_NEAR(Loudness(played).value_or(0), kDefaultTargetLufs, 0.5);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(RecordFormTest, SpaceRecordsAndStops) {
    TFormRecord& dialog = Open();
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Space);
    EXPECT_TRUE(dialog.Recording());
    fake->PlayBurst();
    QTest::keyClick(&dialog, Qt::Key_Space);
    EXPECT_FALSE(dialog.Recording());
    EXPECT_FALSE(dialog.Take().empty());
    // In the text field a space is typed.
    dialog.EditText->setFocus();
    QTest::keyClick(dialog.EditText, Qt::Key_Space);
    EXPECT_FALSE(dialog.Recording());
    EXPECT_TRUE(dialog.EditText->text().endsWith(' '));
}

TEST_F(RecordFormTest, TakesTooShortForOneSampleLeaveNothingToLoad) {
    TFormRecord& dialog = Open();
    for (const std::vector<float>& chunk : {std::vector<float>{}, std::vector<float>{0.5F, -0.5F}}) {
        dialog.BitBtnCapture->click();
        emit fake->Captured(chunk);
        dialog.BitBtnCapture->click();
        EXPECT_TRUE(dialog.Take().empty());
        EXPECT_FALSE(dialog.BitBtnLoad->isEnabled());
        EXPECT_FALSE(dialog.BitBtnListen->isEnabled());
    }
}

TEST_F(RecordFormTest, MarkersMoveWithTheMouseAndNeverCross) {
    TFormRecord& dialog = Open();
    dialog.BitBtnCapture->click();
    fake->PlayBurst();
    dialog.BitBtnCapture->click();
    TakeView* view = dialog.PaintBoxTake;
    const TakeRange before = dialog.KeptRange();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->XOf(before.begin) + 2, 10));
    QTest::mouseMove(view, QPoint(10, 10));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(dialog.KeptRange().begin, view->SampleAt(10));
    EXPECT_EQ(dialog.KeptRange().end, before.end);
    // The end marker dragged past the start stops one sample after it.
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(view->XOf(before.end), 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(0, 10), QPointF(0, 10), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view, &move);
    EXPECT_EQ(dialog.KeptRange().end, dialog.KeptRange().begin + 1);
}

TEST_F(RecordFormTest, WithoutAWorkingDeviceTheDialogSaysSoAndStillSpeaks) {
    struct Case {
        const char* name;
        std::function<void(FakeInput&)> prepare;
        const char* says;
    };
    const Case cases[] = {
        {"no device", [](FakeInput& f) { f.devices.clear(); }, "Устройство записи не найдено"},
        {"refused", [](FakeInput& f) { f.refusal = "устройство занято"; },
         "Запись невозможна: устройство занято"},
    };
    for (const Case& c : cases) {
        PrepareInput = c.prepare;
        TFormRecord& dialog = Open();
        EXPECT_FALSE(dialog.BitBtnCapture->isEnabled()) << c.name;
        EXPECT_TRUE(dialog.LabelStatus->text().startsWith(QString::fromUtf8(c.says))) << c.name;
        EXPECT_EQ(dialog.BitBtnSpeak->isEnabled(), !InstalledVoices().empty()) << c.name;
    }
    // A device that fails while recording keeps what was recorded.
    PrepareInput = [](FakeInput&) {};
    TFormRecord& dialog = Open();
    dialog.BitBtnCapture->click();
    fake->PlayBurst();
    emit fake->Failed(QStringLiteral("устройство отключено"));
    EXPECT_FALSE(dialog.Recording());
    EXPECT_FALSE(dialog.Take().empty());
    EXPECT_FALSE(dialog.BitBtnCapture->isEnabled());
    EXPECT_TRUE(dialog.LabelStatus->text().contains("устройство отключено"));
}

TEST_F(RecordFormTest, SpokenTextBecomesATake) {
    if (InstalledVoices().empty())
        GTEST_SKIP() << "no speech synthesiser is installed";
    TFormRecord& dialog = Open();
    EXPECT_EQ(dialog.EditText->text(), "Тревога по входу 1");
    dialog.BitBtnSpeak->click();
    const double seconds = double(dialog.KeptRange().Length()) / 8000;
    EXPECT_GT(seconds, 0.3);
    EXPECT_LT(seconds, 6.0);
    EXPECT_TRUE(dialog.BitBtnLoad->isEnabled());
    dialog.EditText->clear();
    EXPECT_FALSE(dialog.BitBtnSpeak->isEnabled());
}

// The window: its button opens the dialog for the selected event and refreshes the display after a load.
class RecordActionsTest : public RecordFormTest {
protected:
    TemporaryWorkingDirectory dir;
    TForm1 window;
};

TEST_F(RecordActionsTest, RecordButtonOpensTheDialogForTheSelectedEvent) {
    EXPECT_EQ(window.BitBtnRecord->geometry(), QRect(368, 58, 81, 25));
    EXPECT_EQ(window.BitBtnRecord->toolTip(), "Записать звуковой фрагмент");
    EXPECT_EQ(window.BitBtnRecord->text(), "Записать");
    EXPECT_EQ(window.findChild<QAction*>("FileSpeakEmpty"), window.FileSpeakEmpty);

    window.ComboBoxEvents->setCurrentIndex(5);
    window.normaliseVolume = false; // the window's choice for every recording that comes in
    QString caption;
    InstallModalRunner([&](QDialog& shown) {
        auto& dialog = static_cast<TFormRecord&>(shown);
        caption = dialog.windowTitle();
        EXPECT_FALSE(dialog.CheckBoxNormalise->isChecked());
        dialog.CheckBoxNormalise->setChecked(true);
        dialog.BitBtnCapture->click();
        fake->PlayBurst();
        dialog.BitBtnCapture->click();
        dialog.BitBtnLoad->click();
        return dialog.result();
    });
    window.BitBtnRecord->click();
    EXPECT_EQ(caption, "Запись: Тревога по входу 3");
    EXPECT_TRUE(window.normaliseVolume);
    EXPECT_GT(window.workingBank.Slot(5).count, 8000u);
    EXPECT_EQ(window.EditFragmentTime->text(), SecondsText(window.workingBank.Slot(5).count) + " Сек.");
}

TEST_F(RecordActionsTest, WithoutASynthesiserTheUserLearnsWhatToInstall) {
#ifdef _WIN32
    const QString missing = "Нет русского голоса.";
    const QString remedy = "Добавьте: Параметры → Время и язык → Язык → Русский → Речь.";
#else
    const QString missing = "Синтезатор речи не установлен.";
    const QString remedy = "Установите пакет espeak-ng.";
#endif
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const bool systemVoice = !InstalledVoices().empty();
    window.FileSpeakEmpty->trigger();
    TFormRecord dialog(window.workingBank, 0, QStringLiteral("Тревога"), output);
    qputenv("PATH", path);
    if (systemVoice)
        GTEST_SKIP() << "the system's own Russian voice is installed";
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, missing + '\n' + remedy);
    EXPECT_FALSE(dialog.BitBtnSpeak->isEnabled());
    EXPECT_TRUE(dialog.BitBtnSpeak->toolTip().contains(remedy));
    EXPECT_TRUE(dialog.LabelStatus->text().endsWith(remedy));
    EXPECT_EQ(window.workingBank.UsedSamples(), 0u);
}

TEST_F(RecordActionsTest, SpeakEmptyFillsWhatFitsAndSaysHowMany) {
    if (InstalledVoices().empty())
        GTEST_SKIP() << "no speech synthesiser is installed";
    FillSlot(window.workingBank, 0, kCapacitySamples - 3 * 8000); // room for a few names only
    window.FileSpeakEmpty->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Озвучить пустые события");
    int filled = 0;
    for (std::uint8_t slot = 1; slot < 43; ++slot)
        filled += window.workingBank.Slot(slot).count > 0;
    EXPECT_GT(filled, 0);
    EXPECT_LT(filled, 42);
    EXPECT_EQ(
        dialogs.messages[0].text,
        QStringLiteral("Озвучено событий: %1.\nНе поместилось в память: %2.").arg(filled).arg(42 - filled));
}

// A synthesiser that never answers: the window waits for it behind a progress dialog whose Cancel ends
// it at once, and the bank stays as it was.
TEST_F(RecordActionsTest, SpeakEmptyRunsBehindAProgressDialogThatCancelsAtOnce) {
#ifdef _WIN32
    GTEST_SKIP() << "the synthesiser that never answers is a shell script; Windows speaks through SAPI";
#endif
    QTemporaryDir fake;
    WriteFileBytes(fake.filePath("espeak-ng"), "#!/bin/sh\nexec sleep 600\n");
    QFile::setPermissions(fake.filePath("espeak-ng"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(fake.path()) + ":" + path);
    QString shown;
    QTimer::singleShot(0, &window, [&] {
        auto* progress = window.findChild<QProgressDialog*>("SpeechProgress");
        ASSERT_NE(progress, nullptr);
        shown = progress->labelText();
        progress->findChild<QPushButton*>()->click();
    });
    window.FileSpeakEmpty->trigger();
    qputenv("PATH", path);
    EXPECT_EQ(shown, "Озвучено 0 из 43");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Озвучено событий: 0.\nНе поместилось в память: 0.\n"
                                        "Озвучивание прервано, не озвучено: 43.");
    EXPECT_EQ(window.workingBank.UsedSamples(), 0u);
}

} // namespace
