#include "app/MainForm.h"
#include "app/SoundOutput.h"
#include "voice/Adpcm.h"

#include "AppTestSupport.h"
#include "tests/support/dialogs/ScriptedDialogs.h"
#include "tests/support/wav/WavBuilder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Takes the place of the sound device: keeps what it was given and says what the test tells it to.
class RecordingOutput final : public SoundOutput {
public:
    bool Play(const std::vector<std::int16_t>& samples, QString& reason) override {
        if (!refusal.isEmpty()) {
            reason = refusal;
            return false;
        }
        played.push_back(samples);
        return true;
    }
    void Stop() override { ++stops; }

    QString refusal;
    std::vector<std::vector<std::int16_t>> played;
    int stops = 0;
};

class SoundActionsTest : public ::testing::Test {
protected:
    SoundActionsTest() {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        form = std::make_unique<TForm1>();
        auto recording = std::make_unique<RecordingOutput>();
        output = recording.get();
        form->UseSoundOutput(std::move(recording));
        FillSlot(form->workingBank, 3, 8001);
        FillSlot(form->workingBank, 4, 100);
        PickEvent(3);
    }
    ~SoundActionsTest() override { QLocale::setDefault(QLocale::c()); }

    void PickEvent(int index) {
        form->ComboBoxEvents->setCurrentIndex(index);
        emit form->ComboBoxEvents->activated(index);
    }
    QString Path(const char* name) const { return dir.FilePath(QString::fromUtf8(name)); }
    QString Write(const char* name, const wavtest::Bytes& bytes) const {
        wavtest::WriteFile(Path(name).toStdString(), bytes);
        return Path(name);
    }
    void Import(const QString& file) {
        dialogs.ChooseNextFile(file);
        form->BitBtn1->click();
    }
    bool Playing() const { return form->BitBtnPlay->text() == "Стоп"; }

    TemporaryWorkingDirectory dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
    RecordingOutput* output = nullptr;
};

wavtest::Bytes StereoWav44100(std::size_t frames) {
    WaveFormat stereo;
    stereo.channels = 2;
    stereo.samplesPerSecond = 44100;
    stereo.bytesPerSecond = 44100 * 4;
    stereo.blockAlign = 4;
    return wavtest::WavBuilder().Fmt(stereo).Data(wavtest::Signal(2 * frames)).Build();
}

TEST_F(SoundActionsTest, AFileOnlyTheConverterReadsIsConvertedWhenTheUserAgrees) {
    const QString file = Write("stereo.wav", StereoWav44100(44100));
    Import(file); // unanswered: No
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0].caption, "Открытие файла");
    EXPECT_EQ(dialogs.questions[0].text, "Файл «stereo.wav»: WAV, 44100 Гц, 16 бит, стерео.\nКонтроллер "
                                         "воспроизводит только PCM 8000 Гц, 16 бит, моно. Преобразовать и "
                                         "загрузить?");
    EXPECT_EQ(dialogs.questions[0].option, "Выровнять громкость");
    EXPECT_TRUE(dialogs.questions[0].optionChecked);
    EXPECT_EQ(form->workingBank.Slot(3).count, 8001u);
    EXPECT_TRUE(dialogs.messages.empty());

    dialogs.AnswerNextQuestion(QMessageBox::Yes, false);
    Import(file);
    EXPECT_EQ(form->workingBank.Slot(3).count, 8000u);
    EXPECT_EQ(form->EditFragmentTime->text(), "1 Сек.");
    EXPECT_FALSE(form->normaliseVolume);
    Import(file); // the choice is offered as the user left it
    EXPECT_FALSE(dialogs.questions.back().optionChecked);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SoundActionsTest, AnM4aFileIsRefusedByName) {
    wavtest::Bytes m4a = {0, 0, 0, 0x20, 'f', 't', 'y', 'p', 'M', '4', 'A', ' '};
    m4a.resize(400, 0x55);
    Import(Write("phrase.m4a", m4a));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Открытие файла");
    EXPECT_TRUE(dialogs.messages[0].text.contains("M4A")) << dialogs.messages[0].text.toStdString();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(form->workingBank.Slot(3).count, 8001u);
}

TEST_F(SoundActionsTest, PlayingSendsTheDecodedSlotAndAClickStopsIt) {
    EXPECT_EQ(form->BitBtnPlay->text(), "Прослушать");
    form->BitBtnPlay->click();
    ASSERT_EQ(output->played.size(), 1u);
    EXPECT_EQ(output->played[0], DecodeSlot(form->workingBank.Slot(3)));
    EXPECT_TRUE(Playing());
    form->BitBtnPlay->click();
    EXPECT_EQ(output->stops, 1);
    EXPECT_FALSE(Playing());

    form->BitBtnPlay->click();
    emit output->Finished(); // played to its end
    EXPECT_FALSE(Playing());
    EXPECT_EQ(output->stops, 1);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SoundActionsTest, WhatChangesTheSlotOrTheEventStopsPlayback) {
    const std::vector<std::pair<const char*, std::function<void()>>> actions = {
        {"another event", [&] { PickEvent(4); }},      {"import", [&] { form->BitBtn1->click(); }},
        {"delete", [&] { form->BitBtn2->click(); }},   {"open", [&] { form->FileOpen1->trigger(); }},
        {"clear", [&] { form->FileNew1->trigger(); }},
    };
    int stops = 0;
    for (const auto& [name, action] : actions) {
        FillSlot(form->workingBank, 3, 8001);
        PickEvent(3);
        form->BitBtnPlay->click();
        ASSERT_TRUE(Playing()) << name;
        action();
        EXPECT_EQ(output->stops, ++stops) << name;
        EXPECT_FALSE(Playing()) << name;
    }
    EXPECT_FALSE(form->BitBtnPlay->isEnabled()); // the bank is empty now
    EXPECT_FALSE(form->FileExportWav->isEnabled());
}

TEST_F(SoundActionsTest, ADeviceThatFailsIsReportedAndLeavesTheButtonReady) {
    output->refusal = "звуковое устройство не найдено";
    form->BitBtnPlay->click();
    EXPECT_FALSE(Playing());
    output->refusal.clear();
    form->BitBtnPlay->click();
    emit output->Failed("ошибка обмена со звуковым устройством");
    EXPECT_FALSE(Playing());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Не удалось воспроизвести звук: звуковое устройство не найдено");
    EXPECT_EQ(dialogs.messages[1].text,
              "Не удалось воспроизвести звук: ошибка обмена со звуковым устройством");
    EXPECT_EQ(dialogs.messages[1].icon, QMessageBox::Warning);
}

TEST_F(SoundActionsTest, ExportWritesTheDecodedSlotAsACanonicalWav) {
    const QString file = Path("phrase.wav");
    dialogs.ChooseNextFile(file);
    form->FileExportWav->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(dialogs.fileDialogs[0].objectName, "SaveDialog2");
    EXPECT_TRUE(dialogs.fileDialogs[0].save);
    EXPECT_EQ(dialogs.fileDialogs[0].filter, "Звуковые файлы (*.wav)");
    EXPECT_EQ(dialogs.fileDialogs[0].presetFileName, "Тревога по входу 1.wav");
    const wavtest::Bytes expected = wavtest::CanonicalWav(DecodeSlot(form->workingBank.Slot(3)));
    EXPECT_EQ(ReadFileBytes(file),
              QByteArray(reinterpret_cast<const char*>(expected.data()), qsizetype(expected.size())));

    PickEvent(4); // an existing file is replaced only when the user says so
    dialogs.ChooseNextFile(file);
    dialogs.AnswerNextMessage(QMessageBox::No);
    form->FileExportWav->trigger();
    EXPECT_EQ(ReadFileBytes(file).size(), qsizetype(expected.size()));
    EXPECT_EQ(dialogs.messages.back().text, "Файл уже существует, заменить?");
}

} // namespace
