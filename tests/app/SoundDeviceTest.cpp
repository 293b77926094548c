// Playback through the real sound stack: Qt Multimedia, libpulse and a sound server that the test
// starts for itself. Qt looks for the sound server once per process (each test runs in its own), so
// each test sets its server up before anything plays.
#include "app/MainForm.h"
#include "voice/Adpcm.h"

#include "AppTestSupport.h"
#include "tests/support/dialogs/ScriptedDialogs.h"
#include "tests/support/sound/SoundServer.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

bool Contains(const std::vector<std::int16_t>& captured, const std::vector<std::int16_t>& clip) {
    return std::search(captured.begin(), captured.end(), clip.begin(), clip.end()) != captured.end();
}

class SoundDeviceTest : public ::testing::Test {
protected:
    SoundDeviceTest() { TestApplication(); }

    void StartWindowWithAPhrase() {
        form = std::make_unique<TForm1>();
        FillSlot(form->workingBank, 2, 4000);
        form->ComboBoxEvents->setCurrentIndex(2);
        emit form->ComboBoxEvents->activated(2);
    }

    TemporaryWorkingDirectory dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
};

TEST_F(SoundDeviceTest, WhatIsPlayedReachesTheSoundServerBitForBit) {
    CapturingSoundServer server;
    if (!server.Problem().empty())
        GTEST_SKIP() << server.Problem();
    StartWindowWithAPhrase();
    const std::vector<std::int16_t> clip = DecodeSlot(form->workingBank.Slot(2));
    form->BitBtnPlay->click();
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(form->BitBtnPlay->text(), "Стоп");
    // Half a second of sound; the bounds are for a sound server and a window that a loaded machine starves.
    EXPECT_TRUE(WaitFor([&] { return form->BitBtnPlay->text() == "Прослушать"; }, 60000));
    EXPECT_TRUE(WaitFor([&] { return Contains(server.Captured(), clip); }, 60000))
        << server.Captured().size() << " samples captured";
}

TEST_F(SoundDeviceTest, WithoutASoundServerPlayingGivesAWarningAtOnce) {
    qputenv("PULSE_SERVER", "unix:/nonexistent/sound-server");
    StartWindowWithAPhrase();
    form->BitBtnPlay->click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Не удалось воспроизвести звук: "))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(form->BitBtnPlay->text(), "Прослушать");
}

} // namespace
