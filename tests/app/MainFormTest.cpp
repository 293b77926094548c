#include "app/MainForm.h"
#include "app/BackgroundSave.h"
#include "app/FilePath.h"
#include "app/SettingsFile.h"
#include "link/ComSelect.h"

#include "AppTestSupport.h"
#include "tests/support/dialogs/ScriptedDialogs.h"
#include "tests/support/wav/WavBuilder.h"
#include "voice/VoiceFile.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const QString kOpenCaption = QStringLiteral("Открытие файла голосовых сообщений");
const QString kSaveCaption = QStringLiteral("Сохранение файла голосовых сообщений");

// The open or save dialog of voice files, as the file actions show it.
void ExpectVoiceFileDialog(const ScriptedDialogs::FileDialogShown& shown, const QString& objectName,
                           bool save) {
    EXPECT_EQ(shown.objectName, objectName);
    EXPECT_EQ(shown.save, save);
    EXPECT_EQ(shown.title, save ? kSaveCaption : kOpenCaption);
    EXPECT_EQ(shown.filter, "Файлы голосовых сообщений (*.vce)");
    EXPECT_EQ(shown.defaultExt, "vce");
}

// Each test runs in an empty working directory with a Russian locale and scripted dialogs.
class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        // No serial port is present unless a test says so: a first start does not depend on the machine.
        SetComPortLister([](std::vector<std::string>& list) { list.clear(); });
    }
    ~MainFormTest() override {
        QLocale::setDefault(QLocale::c());
        SetComPortLister({});
    }

    TForm1& Start() {
        form = std::make_unique<TForm1>();
        form->FormCreate();
        return *form;
    }

    // Closes the window as the user does, which saves the settings and the bank.
    void Close() { form->close(); }

    QString Panel(int index) const { return form->StatusPanel(index)->text(); }
    QString Path(const char* name) const { return dir.FilePath(QString::fromUtf8(name)); }
    QString Shown(const char* name) const {
        return QDir::toNativeSeparators(Path(name));
    } // as messages say it
    void PickEvent(int index) {
        form->ComboBoxEvents->setCurrentIndex(index);
        emit form->ComboBoxEvents->activated(index);
    }
    // The messages shown that were not an error of the port (whose presence depends on the machine).
    std::vector<ScriptedDialogs::MessageBoxShown> Messages() const {
        std::vector<ScriptedDialogs::MessageBoxShown> shown;
        for (const auto& message : dialogs.messages)
            if (message.icon != QMessageBox::Critical)
                shown.push_back(message);
        return shown;
    }
    // The one message shown (port errors aside) was a warning with these words and buttons.
    void ExpectOneWarning(const QString& caption, const QString& text,
                          QMessageBox::StandardButtons buttons = QMessageBox::Ok) const {
        const auto shown = Messages();
        ASSERT_EQ(shown.size(), 1u) << text.toStdString();
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].caption, caption);
        EXPECT_EQ(shown[0].icon, QMessageBox::Warning);
        EXPECT_EQ(shown[0].buttons, buttons);
    }

    TemporaryWorkingDirectory dir;
    TemporaryHome home;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
};

QByteArray EmptyBankFile() {
    QByteArray bytes("[VoiceMessage v.05.05]");
    for (int i = 0; i < 50; ++i)
        bytes.append(QByteArray("\x2C\x01\x00\x00\x00\x00", 6));
    bytes.append(QByteArray(539648 - 300, '\0'));
    bytes.append('\0');
    return bytes;
}

VoiceImage ImageWithSlots(std::initializer_list<std::pair<std::uint8_t, std::uint32_t>> contents) {
    auto bank = std::make_unique<VoiceBank>();
    for (auto [slot, samples] : contents)
        FillSlot(*bank, slot, samples);
    bank->PackImage();
    return bank->image;
}

TEST_F(MainFormTest, FirstStartInAnEmptyFolderShowsTheEmptyBankAndLeavesBothFilesAtClose) {
    Start();
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 0);
    EXPECT_EQ(form->EditFragmentTime->text(), "0 Сек.");
    EXPECT_EQ(form->Label3->text(), "Занято: 0 Сек.    Свободно: 134,8 Сек.");
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(form->ProgressBar1->maximum(), 1078696);
    EXPECT_EQ(Panel(0), "default.vce");
    EXPECT_EQ(Panel(1), "NC");
    EXPECT_EQ(Panel(2), "");
    EXPECT_EQ(Panel(3), "");
    EXPECT_EQ(form->ComPort1.Port(), "COM2");
    EXPECT_TRUE(dialogs.messages.empty()); // not even the port's error
    EXPECT_EQ(form->WorkingDirectory, QDir::currentPath() + "/");

    Close();
    EXPECT_EQ(ReadFileBytes(Path("kpq.cfg")), QByteArray("[KestrovanupalmerithCfg]\x02\x12\xB9\xF5\x58", 29));
    EXPECT_EQ(ReadFileBytes(Path("default.vce")), EmptyBankFile());
}

// The first start takes a port that is there, a USB adapter first; a settings file that is there but
// can't be used keeps COM2.
TEST_F(MainFormTest, TheFirstStartTakesAPortThatIsPresent) {
    const struct {
        std::vector<std::string> present;
        QByteArray settings; // none when empty
        std::string port;
    } cases[] = {
        {{"COM1", "COM3"}, {}, "COM1"},
        {{"COM1", "ttyAMA0", "ttyUSB0"}, {}, "ttyUSB0"},
        {{"COM1", "ttyACM0"}, "[Kestrovanupalmerith", "COM2"},
    };
    for (const auto& c : cases) {
        SetComPortLister([&](std::vector<std::string>& list) { list = c.present; });
        QFile::remove(Path("kpq.cfg"));
        if (!c.settings.isEmpty())
            WriteFileBytes(Path("kpq.cfg"), c.settings);
        Start();
        EXPECT_EQ(form->ComPort1.Port(), c.port);
    }
}

TEST_F(MainFormTest, APortThatCantBeOpenedIsShownAsTheStandardErrorAndLeavesNC) {
    ASSERT_EQ(SettingsFile::Save(Path("kpq.cfg"), "/nonexistent/ttyX"), 0);
    Start();
    EXPECT_EQ(form->ComPort1.Port(), "/nonexistent/ttyX");
    EXPECT_FALSE(form->ComPort1.Connected());
    EXPECT_EQ(Panel(1), "NC");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(dialogs.messages[0].caption, "Программатор голосовых сообщений");
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Не удалось открыть порт"))
        << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(dialogs.messages[0].buttons, QMessageBox::Ok);
    EXPECT_EQ(Panel(0), "default.vce"); // the rest of the start-up stands
}

TEST_F(MainFormTest, PortsNamedInTheSettingsFileComeBackAtTheNextStart) {
    struct Case {
        QByteArray file;
        std::string port;
    };
    const QByteArray header("[KestrovanupalmerithCfg]");
    const QByteArray magic("\x12\xB9\xF5\x58", 4);
    const Case cases[] = {
        {header + '\x05' + magic, "COM5"},
        {header, "COM2"},                                // only the header
        {header + '\x06' + QByteArray(4, '\0'), "COM2"}, // wrong magic
        {header + '\x00' + magic, "COM2"},               // number outside 1 to 8
        {header + '\x09' + magic, "COM2"},
        {header + '\x02' + magic + "ttyUSB0", "ttyUSB0"}, // a name after the record
        {QByteArray("garbage"), "COM2"},
    };
    for (const Case& c : cases) {
        WriteFileBytes(Path("kpq.cfg"), c.file);
        Start();
        EXPECT_EQ(form->ComPort1.Port(), c.port) << c.file.toStdString();
        form.reset();
    }
}

TEST_F(MainFormTest, ThePortIsStoredAtCloseAndRestoredAtTheNextStart) {
    for (const std::string port :
         std::initializer_list<const char*>{"COM5", "COM12", "ttyUSB0", "/dev/serial/by-id/usb-x"}) {
        Start();
        form->ComPort1.SetPort(port);
        Close();
        form.reset();
        Start();
        EXPECT_EQ(form->ComPort1.Port(), port);
        form.reset();
    }
}

TEST_F(MainFormTest, TheBankOfDefaultVceIsShownAtStart) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 12000}, {3, 8000}})));
    Start();
    EXPECT_EQ(form->EditFragmentTime->text(), "1,5 Сек.");
    EXPECT_EQ(form->Label3->text(), "Занято: 2,5 Сек.    Свободно: 132,3 Сек.");
    EXPECT_EQ(form->ProgressBar1->value(), 20000);
    EXPECT_EQ(form->workingBank.Slot(3).count, 8000u);
}

// A damaged autosave is kept aside, under a name of its own, before the close could overwrite it.
TEST_F(MainFormTest, ADamagedDefaultVceIsKeptAsideAndTheBankStartsEmpty) {
    QByteArray file = VoiceFileBytes(ImageWithSlots({{0, 12000}}));
    QByteArray badChecksum = file, badVersion = file;
    badChecksum[100] = char(badChecksum[100] ^ 1);
    badVersion[20] = '6';
    const struct {
        QByteArray bytes;
        const char* aside;
    } cases[] = {{badChecksum, "default.vce.damaged"},
                 {badVersion, "default.vce.damaged.1"},
                 {file.left(1000), "default.vce.damaged.2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.aside);
        WriteFileBytes(Path("default.vce"), c.bytes);
        dialogs.messages.clear();
        Start();
        EXPECT_EQ(form->workingBank.UsedSamples(), 0u);
        EXPECT_EQ(Panel(0), "default.vce");
        EXPECT_EQ(ReadFileBytes(Path(c.aside)), c.bytes);
        ExpectOneWarning(kOpenCaption,
                         "Файл голосовых сообщений «" + Shown("default.vce") +
                             "» повреждён и сохранён под именем «" + Shown(c.aside) +
                             "».\nПрограмма начинает работу с пустой памятью голосовых сообщений.");
        Close();
        EXPECT_EQ(ReadFileBytes(Path("default.vce")), EmptyBankFile());
    }
}

TEST_F(MainFormTest, TheOldestVoiceFileVersionLeavesTheUserNamesEmpty) {
    WriteFileBytes(Path("default.vce"),
                   VoiceFileBytes(ImageWithSlots({{5, 100}, {36, 100}}), "[VoiceMessage v.01.00]"));
    Start();
    EXPECT_FALSE(form->fullLayout);
    EXPECT_EQ(form->workingBank.Slot(5).count, 100u);
    EXPECT_EQ(form->workingBank.Slot(36).count, 0u);
}

TEST_F(MainFormTest, PickingAnEventShowsItsDuration) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{3, 8000}, {42, 4}})));
    Start();
    PickEvent(3);
    EXPECT_EQ(form->EditFragmentTime->text(), "1 Сек.");
    PickEvent(4);
    EXPECT_EQ(form->EditFragmentTime->text(), "0 Сек.");
    PickEvent(42);
    EXPECT_EQ(form->EditFragmentTime->text(), "0,0005 Сек.");
}

TEST_F(MainFormTest, AFullBankShowsTheBarFullAndNothingFree) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{7, kCapacitySamples}})));
    Start();
    EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
    EXPECT_EQ(form->Label3->text(), "Занято: 134,8 Сек.    Свободно: 0 Сек.");
}

TEST_F(MainFormTest, DisplayFollowsTheUsersLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Start();
    EXPECT_EQ(form->Label3->text(), "Занято: 0 Сек.    Свободно: 134.8 Сек.");
}

TEST_F(MainFormTest, ClearingSelectsEventZeroEmptiesTheBankAndKeepsTheFileName) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 8000}, {9, 8000}})));
    Start();
    PickEvent(9);
    form->StatusPanel(0)->setText("/somewhere/file.vce");
    dialogs.AnswerNextMessage(QMessageBox::No);
    form->FileNew1->trigger();
    EXPECT_EQ(form->workingBank.UsedSamples(), 16000u);
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 9);
    dialogs.messages.clear();
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    form->FileNew1->trigger();
    ExpectOneWarning("Очистка памяти", "Удалить все голосовые сообщения?",
                     QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 0);
    EXPECT_EQ(form->workingBank.UsedSamples(), 0u);
    EXPECT_EQ(form->EditFragmentTime->text(), "0 Сек.");
    EXPECT_EQ(form->Label3->text(), "Занято: 0 Сек.    Свободно: 134,8 Сек.");
    EXPECT_EQ(form->ProgressBar1->value(), 0);
    EXPECT_EQ(Panel(0), "/somewhere/file.vce");
    EXPECT_EQ(form->workingBank.image[3], 0); // packed: slot 0's entry says no samples

    form->FileNew1->trigger(); // nothing left to lose: no question
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(MainFormTest, DeletingEmptiesOnlyTheSelectedSlot) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 8000}, {9, 8000}})));
    Start();
    PickEvent(9);
    form->BitBtn2->click();
    EXPECT_EQ(form->workingBank.Slot(9).count, 0u);
    EXPECT_EQ(form->workingBank.Slot(0).count, 8000u);
    EXPECT_EQ(form->EditFragmentTime->text(), "0 Сек.");
    EXPECT_EQ(form->Label3->text(), "Занято: 1 Сек.    Свободно: 133,8 Сек.");
    form->BitBtn2->click(); // an empty slot: nothing changes
    EXPECT_EQ(form->workingBank.Slot(0).count, 8000u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainFormTest, OpeningAVoiceFileReplacesTheBankAndNamesItInPanelZero) {
    const QString file = Path("mine.vce");
    WriteFileBytes(file, VoiceFileBytes(ImageWithSlots({{2, 8000}})));
    Start();
    PickEvent(2);
    dialogs.ChooseNextFile(file);
    form->FileOpen1->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    ExpectVoiceFileDialog(dialogs.fileDialogs[0], "OpenDialog2", false);
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 2);
    EXPECT_EQ(form->EditFragmentTime->text(), "1 Сек.");
    EXPECT_EQ(Panel(0), file);
    EXPECT_EQ(form->StatusPanel(0)->toolTip(), file); // a path too long for the panel is read here
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MainFormTest, AFailedOpenSaysWhyAndKeepsTheBank) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 8000}})));
    QByteArray badChecksum = VoiceFileBytes(ImageWithSlots({{0, 16000}}));
    badChecksum[badChecksum.size() - 1] = char(badChecksum.back() + 1);
    WriteFileBytes(Path("checksum.vce"), badChecksum);
    WriteFileBytes(Path("header.vce"), QByteArray("[VoiceMessage v.05.06]") + QByteArray(539649, '\0'));
    WriteFileBytes(Path("short.vce"), VoiceFileBytes(ImageWithSlots({})).left(1000));
    struct Case {
        const char* file;
        const char* message;
    };
    for (const Case& c :
         {Case{"checksum.vce", "Неизвестный формат файла"}, Case{"header.vce", "Невозможно открыть файл"},
          Case{"short.vce", "Невозможно открыть файл"}, Case{"missing.vce", "Невозможно открыть файл"}}) {
        Start();
        dialogs.messages.clear();
        dialogs.ChooseNextFile(Path(c.file));
        form->FileOpen1->trigger();
        ExpectOneWarning(kOpenCaption, QString::fromUtf8(c.message));
        EXPECT_EQ(form->workingBank.Slot(0).count, 8000u) << c.file;
        EXPECT_EQ(form->EditFragmentTime->text(), "1 Сек.");
        EXPECT_EQ(Panel(0), "default.vce");
        form.reset();
    }
}

TEST_F(MainFormTest, CancellingTheOpenDialogChangesNothing) {
    Start();
    form->FileOpen1->trigger();
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(Panel(0), "default.vce");
}

TEST_F(MainFormTest, SavingRightAfterStartOffersNoNameAndWritesANewFile) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{1, 333}})));
    Start();
    const QString file = Path("new.vce");
    dialogs.ChooseNextFile(file);
    form->FileSave1->trigger();
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    const auto& shown = dialogs.fileDialogs[0];
    ExpectVoiceFileDialog(shown, "SaveDialog1", true);
    EXPECT_EQ(shown.presetFileName, ""); // the autosave is not a name to offer
    EXPECT_TRUE(Messages().empty());     // a new file: no question
    EXPECT_EQ(ReadFileBytes(file), ReadFileBytes(Path("default.vce")));
    EXPECT_EQ(Panel(0), file);

    dialogs.CancelNextFile();
    form->FileSave1->trigger();
    EXPECT_EQ(dialogs.fileDialogs.back().presetFileName, file); // the last path used
}

TEST_F(MainFormTest, SavingOverAnExistingFileAsksFirst) {
    const QString file = Path("old.vce");
    WriteFileBytes(file, "old contents");
    Start();
    dialogs.ChooseNextFile(file);
    dialogs.AnswerNextMessage(QMessageBox::No);
    form->FileSave1->trigger();
    ExpectOneWarning(kSaveCaption, "Файл уже существует, заменить?", QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ReadFileBytes(file), "old contents");
    EXPECT_EQ(Panel(0), "default.vce");

    dialogs.ChooseNextFile(file);
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    form->FileSave1->trigger();
    EXPECT_EQ(Messages().size(), 2u);
    EXPECT_EQ(ReadFileBytes(file), EmptyBankFile());
    EXPECT_EQ(Panel(0), file);
}

TEST_F(MainFormTest, AFailedSaveSaysSoAndKeepsTheFileName) {
    Start();
    dialogs.ChooseNextFile(Path("missing/new.vce"));
    form->FileSave1->trigger();
    ExpectOneWarning(kSaveCaption, "Невозможно сохранить файл");
    EXPECT_EQ(Panel(0), "default.vce");
}

TEST_F(MainFormTest, SavePacksTheBankEvenWhenTheUserCancels) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 8000}})));
    Start();
    form->BitBtn2->click();
    ASSERT_NE(form->workingBank.image[4], 0); // the image still holds the deleted phrase
    form->FileSave1->trigger();
    EXPECT_EQ(form->workingBank.image[4], 0);
}

TEST_F(MainFormTest, TheCloseMenuItemClosesAndSaves) {
    Start();
    form->N7->trigger();
    EXPECT_TRUE(QFileInfo::exists(Path("default.vce")));
    EXPECT_TRUE(QFileInfo::exists(Path("kpq.cfg")));
}

TEST_F(MainFormTest, TheWindowCantBeClosedWhileATransferRuns) {
    Start();
    form->show();
    form->transferRunning = true;
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(QFileInfo::exists(Path("default.vce")));
    form->transferRunning = false;
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(QFileInfo::exists(Path("default.vce")));
}

TEST_F(MainFormTest, ASettingsFileFailureAtCloseIsSilent) {
    Start();
    ASSERT_TRUE(QDir().mkdir(Path("kpq.cfg")));
    dialogs.messages.clear();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(dialogs.messages.empty());
}

// The work is never lost silently: the user saves it elsewhere, leaves without it, or stays.
TEST_F(MainFormTest, WhenDefaultVceCannotBeWrittenTheCloseAsksWhatToDo) {
    const struct {
        QMessageBox::StandardButton answer;
        bool chooseFile;
        bool closes;
    } cases[] = {{QMessageBox::Cancel, false, false},
                 {QMessageBox::No, false, true},
                 {QMessageBox::Yes, false, false}, // the file dialog cancelled
                 {QMessageBox::Yes, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.answer) + c.chooseFile);
        Start();
        FillSlot(form->workingBank, 2, 500);
        ASSERT_TRUE(QDir().mkpath(Path("default.vce")));
        QFile::remove(Path("elsewhere.vce"));
        dialogs.messages.clear();
        dialogs.AnswerNextMessage(c.answer);
        if (c.chooseFile)
            dialogs.ChooseNextFile(Path("elsewhere.vce"));
        EXPECT_EQ(form->close(), c.closes);
        ExpectOneWarning(kSaveCaption,
                         "Не удалось сохранить голосовые сообщения в файл «" + Shown("default.vce") +
                             "»: на месте файла папка.\n\nСохранить голосовые сообщения в другой файл?",
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(dialogs.fileDialogs.size(), c.answer == QMessageBox::Yes ? 1u : 0u);
        dialogs.fileDialogs.clear();
        EXPECT_EQ(QFileInfo(Path("elsewhere.vce")).size(), c.chooseFile ? 539671 : 0);
    }
}

} // namespace

namespace {

class WavImportTest : public MainFormTest {
protected:
    QString Wav(const char* name, const wavtest::Bytes& bytes) {
        const QString path = Path(name);
        wavtest::WriteFile(path.toStdString(), bytes);
        return path;
    }
    void Import(int event, const QString& file) {
        PickEvent(event);
        dialogs.ChooseNextFile(file);
        form->BitBtn1->click();
    }
};

TEST_F(WavImportTest, ARecordingLoadsIntoTheSelectedEventsSlot) {
    Start();
    Import(5, Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(12000))));
    ASSERT_EQ(dialogs.fileDialogs.size(), 1u);
    const auto& shown = dialogs.fileDialogs[0];
    EXPECT_EQ(shown.objectName, "OpenDialog1");
    EXPECT_FALSE(shown.save);
    EXPECT_EQ(shown.title, "Открытие файла: Тревога по входу 3");
    EXPECT_EQ(shown.filter,
              "Звуковые файлы (*.wav *.mp3 *.flac *.ogg *.opus *.aif *.aiff);;Звуковые файлы (*.wav)");
    EXPECT_EQ(shown.defaultExt, "wav");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(form->workingBank.Slot(5).count, 12000u);
    EXPECT_EQ(form->EditFragmentTime->text(), "1,5 Сек.");
    EXPECT_EQ(form->Label3->text(), "Занято: 1,5 Сек.    Свободно: 133,3 Сек.");
}

TEST_F(WavImportTest, EachDialogOpensInTheDocumentsFolderThenWhereItsLastChoiceWasEvenAfterARestart) {
    Start();
    ASSERT_TRUE(QDir().mkdir(Path("recordings")));
    Import(1, Wav("recordings/one.wav", wavtest::CanonicalWav(wavtest::Signal(10))));
    Import(2, Wav("recordings/two.wav", wavtest::CanonicalWav(wavtest::Signal(10))));
    ASSERT_EQ(dialogs.fileDialogs.size(), 2u);
    EXPECT_EQ(dialogs.fileDialogs[0].initialDir, home.Documents());
    EXPECT_EQ(dialogs.fileDialogs[1].initialDir, Path("recordings"));
    form->FileOpen1->trigger(); // each dialog remembers its own folder
    EXPECT_EQ(dialogs.fileDialogs[2].initialDir, home.Documents());
    form.reset();
    Start();
    Import(3, Wav("recordings/one.wav", wavtest::CanonicalWav(wavtest::Signal(10))));
    EXPECT_EQ(dialogs.fileDialogs[3].initialDir, Path("recordings"));
}

TEST_F(WavImportTest, CancellingTheDialogChangesNothing) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{5, 8000}})));
    Start();
    PickEvent(5);
    form->BitBtn1->click();
    EXPECT_EQ(form->workingBank.Slot(5).count, 8000u);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(WavImportTest, RefusedFilesAreExplainedAndLeaveTheSlot) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{5, 8000}})));
    WaveFormat unknown; // no reader knows this coding
    unknown.formatTag = 0x7A7A;
    struct Case {
        QString file;
        const char* message;
    };
    Start();
    const Case cases[] = {
        {Path("missing.wav"), "Невозможно открыть файл"},
        {Wav("short.wav", {'R', 'I', 'F', 'F'}), "Ошибка при открытии файла"},
        {Wav("text.wav", wavtest::Bytes(64, 'x')), "Неверный формат файла"},
        {Wav("unknown.wav", wavtest::WavBuilder().Fmt(unknown).Data(wavtest::Signal(100)).Build()),
         "Неверный формат файла.\nИспользуйте только WAV файл формата: PCM 8000 Гц; 16 бит; Моно."},
    };
    for (const Case& c : cases) {
        dialogs.messages.clear();
        Import(5, c.file);
        ExpectOneWarning("Открытие файла", QString::fromUtf8(c.message));
        EXPECT_EQ(form->workingBank.Slot(5).count, 8000u) << c.message;
        EXPECT_EQ(form->EditFragmentTime->text(), "1 Сек.");
    }
}

TEST_F(WavImportTest, AFullMemoryTakesNothingMore) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, kCapacitySamples}})));
    Start();
    Import(6, Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(100))));
    ExpectOneWarning("Загрузка звукового фрагмента",
                     "Загрузка звукового фрагмента невозможна.\nИспользовано 100% памяти.");
    EXPECT_EQ(form->workingBank.Slot(6).count, 0u);
    EXPECT_EQ(form->EditFragmentTime->text(), "0 Сек.");
}

TEST_F(WavImportTest, ALongRecordingIsCutToTheFreeMemoryOnlyWhenTheUserAgrees) {
    WriteFileBytes(Path("default.vce"),
                   VoiceFileBytes(ImageWithSlots({{0, kCapacitySamples - 8000}, {6, 4000}})));
    Start();
    dialogs.AnswerNextMessage(QMessageBox::No);
    Import(6, Wav("long.wav", wavtest::CanonicalWav(wavtest::Signal(20000))));
    const auto shown = Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, QMessageBox::Question);
    EXPECT_EQ(shown[0].caption, "Загрузка звукового фрагмента");
    EXPECT_EQ(shown[0].text, "Запись длиннее свободной памяти: будет загружено 1 с из 2,5 с. "
                             "Загрузить начало записи?");
    EXPECT_EQ(shown[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(form->workingBank.Slot(6).count, 4000u); // "Нет" leaves the old phrase

    dialogs.AnswerNextMessage(QMessageBox::Yes);
    Import(6, Wav("long.wav", wavtest::CanonicalWav(wavtest::Signal(20000))));
    EXPECT_EQ(form->workingBank.Slot(6).count, 8000u); // the old phrase's room counts as free
    EXPECT_EQ(form->workingBank.FreeSamples(), 0u);
    EXPECT_EQ(form->EditFragmentTime->text(), "1 Сек.");
    EXPECT_EQ(form->ProgressBar1->value(), form->ProgressBar1->maximum());
}

} // namespace

namespace {

class EditingTest : public WavImportTest {
protected:
    VoiceImage Bank() {
        form->workingBank.PackImage();
        return form->workingBank.image;
    }
};

// Each change is undone and redone, and the event it concerned is shown again.
TEST_F(EditingTest, EveryChangeToTheBankCanBeUndoneAndRedone) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 8000}, {9, 4000}})));
    WriteFileBytes(Path("other.vce"), VoiceFileBytes(ImageWithSlots({{2, 100}})));
    const QString wav = Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(12000)));
    Start();
    const VoiceImage atStart = Bank();
    EXPECT_FALSE(form->EditUndo->isEnabled());
    struct Change {
        const char* what;
        int event;
        std::function<void()> make;
    };
    const Change changes[] = {
        {"import", 5, [&] { Import(5, wav); }},
        {"delete", 9, [&] { form->BitBtn2->click(); }},
        {"clear", 9, [&] { form->FileNew1->trigger(); }},
        {"open", 4,
         [&] {
             dialogs.AnswerNextMessage(QMessageBox::No); // the changes before it are not saved
             dialogs.ChooseNextFile(Path("other.vce"));
             form->FileOpen1->trigger();
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        PickEvent(change.event);
        const VoiceImage before = Bank();
        change.make();
        const VoiceImage after = Bank();
        ASSERT_NE(before, after);
        PickEvent(1);
        form->EditUndo->trigger();
        EXPECT_EQ(Bank(), before);
        EXPECT_EQ(form->ComboBoxEvents->currentIndex(), change.event);
        form->EditRedo->trigger();
        EXPECT_EQ(Bank(), after);
        EXPECT_FALSE(form->EditRedo->isEnabled());
    }
    for (int i = 0; i < 4; ++i)
        form->EditUndo->trigger();
    EXPECT_EQ(Bank(), atStart);
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 5); // the first change's
    EXPECT_FALSE(form->EditUndo->isEnabled());
    PickEvent(9);
    form->BitBtn2->click(); // a new change drops what was undone
    EXPECT_FALSE(form->EditRedo->isEnabled());
}

TEST_F(EditingTest, FarMoreThanFiftyStepsCanBeUndone) {
    const QString wav = Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(10)));
    Start();
    for (int i = 0; i < 60; ++i) {
        Import(i % 43, wav);
        form->BitBtn2->click();
    }
    int undone = 0;
    for (; form->EditUndo->isEnabled(); ++undone)
        form->EditUndo->trigger();
    EXPECT_GE(undone, 50);
}

TEST_F(EditingTest, PanelThreeMarksABankThatDiffersFromItsVoiceFile) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{0, 8000}})));
    Start();
    EXPECT_EQ(Panel(3), "");
    form->BitBtn2->click();
    EXPECT_EQ(Panel(3), "Изменён");
    EXPECT_EQ(form->StatusPanel(3)->toolTip(),
              "Голосовые сообщения изменены и отличаются от файла «default.vce»");
    form->EditUndo->trigger(); // as the file holds it again
    EXPECT_EQ(Panel(3), "");
    form->EditRedo->trigger();
    dialogs.ChooseNextFile(Path("saved.vce"));
    form->FileSave1->trigger();
    EXPECT_EQ(Panel(3), "");
    form->EditUndo->trigger();
    EXPECT_EQ(Panel(3), "Изменён");
    EXPECT_TRUE(Messages().empty());
    dialogs.AnswerNextMessage(QMessageBox::No);
    dialogs.ChooseNextFile(Path("saved.vce"));
    form->FileOpen1->trigger();
    EXPECT_EQ(Panel(3), "");
}

// The samples a voice file holds for the slot; -1 when it can't be read.
long SamplesInFile(const QString& path, std::uint8_t slot) {
    auto bank = std::make_unique<VoiceBank>();
    bool fullLayout = true;
    if (ReadVoiceFile(ToPath(path), bank->image, fullLayout) != kVoiceFileOk)
        return -1;
    bank->UnpackImage(fullLayout);
    return long(bank->Slot(slot).count);
}

TEST_F(EditingTest, OpeningOverChangesNotInAFileOfTheUsersOwnAsksToSaveThemFirst) {
    WriteFileBytes(Path("other.vce"), VoiceFileBytes(ImageWithSlots({{2, 100}})));
    const QString wav = Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(12000)));
    Start();
    const auto open = [&](QMessageBox::StandardButton answer, const QString& asked) {
        dialogs.messages.clear();
        dialogs.fileDialogs.clear();
        dialogs.AnswerNextMessage(answer);
        form->FileOpen1->trigger();
        ExpectOneWarning(kOpenCaption, "Сохранить изменения в файле «" + asked + "»?",
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    };
    Import(5, wav);
    open(QMessageBox::Cancel, "default.vce");
    EXPECT_TRUE(dialogs.fileDialogs.empty());
    EXPECT_EQ(form->workingBank.Slot(5).count, 12000u);

    dialogs.ChooseNextFile(Path("mine.vce")); // no file of its own: saved through the dialog
    dialogs.ChooseNextFile(Path("other.vce"));
    open(QMessageBox::Yes, "default.vce");
    EXPECT_EQ(SamplesInFile(Path("mine.vce"), 5), 12000);
    EXPECT_EQ(form->workingBank.Slot(2).count, 100u);

    Import(7, wav); // saved into the file it came from
    dialogs.ChooseNextFile(Path("mine.vce"));
    open(QMessageBox::Yes, "other.vce");
    EXPECT_EQ(dialogs.fileDialogs.size(), 1u);
    EXPECT_EQ(SamplesInFile(Path("other.vce"), 7), 12000);
    EXPECT_EQ(Panel(0), Path("mine.vce"));

    Import(8, wav); // given up, and still to be had back
    dialogs.ChooseNextFile(Path("other.vce"));
    open(QMessageBox::No, "mine.vce");
    EXPECT_EQ(form->workingBank.Slot(8).count, 0u);
    form->EditUndo->trigger();
    EXPECT_EQ(form->workingBank.Slot(8).count, 12000u);

    WriteFileBytes(Path("other.vce"), VoiceFileBytes(ImageWithSlots({{4, 100}}))); // by another program
    dialogs.messages.clear();
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    form->FileOpen1->trigger(); // its save dialog cancelled: nothing saved, nothing opened
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[1].text,
              "Файл «other.vce» изменён другой программой после открытия.\nСохраните голосовые сообщения в "
              "другой файл.");
    EXPECT_EQ(SamplesInFile(Path("other.vce"), 4), 100);
    EXPECT_EQ(form->workingBank.Slot(8).count, 12000u);
}

// A kill or a crash loses nothing: each change reaches "default.vce" soon after, with no close.
TEST_F(EditingTest, EachChangeReachesDefaultVceSoonAfterWithoutAClose) {
    Start();
    Import(5, Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(12000))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return SamplesInFile(Path("default.vce"), 5) == 12000; }, 10000));
    form->BitBtn2->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return SamplesInFile(Path("default.vce"), 5) == 0; }, 10000));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(EditingTest, AFailedBackgroundSaveWarnsOnceAndIsTriedAgainAtTheNextChange) {
    ASSERT_TRUE(QDir().mkpath(Path("default.vce")));
    const QString wav = Wav("phrase.wav", wavtest::CanonicalWav(wavtest::Signal(100)));
    Start();
    QSignalSpy failed(form->findChild<BackgroundSave*>(), &BackgroundSave::Failed);
    Import(5, wav);
    ASSERT_TRUE(failed.wait(10000));
    Import(6, wav);
    ASSERT_TRUE(failed.wait(10000));
    ExpectOneWarning(kSaveCaption, "Не удалось сохранить голосовые сообщения в файл «" +
                                       Shown("default.vce") +
                                       "»: на месте файла папка.\nПрограмма попробует ещё раз при "
                                       "следующем изменении и при закрытии.");
    ASSERT_TRUE(QDir().rmdir(Path("default.vce")));
    Import(7, wav);
    EXPECT_TRUE(QTest::qWaitFor([&] { return SamplesInFile(Path("default.vce"), 7) == 100; }, 10000));
    EXPECT_EQ(SamplesInFile(Path("default.vce"), 5), 100);
}

TEST_F(EditingTest, TheOpenListShowsEachPhrasesDurationAndGreysEventsWithoutOne) {
    WriteFileBytes(Path("default.vce"), VoiceFileBytes(ImageWithSlots({{3, 14400}, {42, 4}})));
    Start();
    const QAbstractItemModel& model = *form->ComboBoxEvents->model();
    const QVariant grey = QVariant(form->ComboBoxEvents->palette().brush(QPalette::Disabled, QPalette::Text));
    const auto item = [&](int row, int role) { return model.data(model.index(row, 0), role); };
    EXPECT_EQ(item(3, Qt::ToolTipRole), "1,8 с");
    EXPECT_EQ(item(42, Qt::ToolTipRole), "0,0005 с");
    EXPECT_EQ(item(4, Qt::ToolTipRole), "нет фразы");
    EXPECT_FALSE(item(3, Qt::ForegroundRole).isValid());
    EXPECT_EQ(item(4, Qt::ForegroundRole), grey);
    EXPECT_EQ(item(3, Qt::DisplayRole), "Тревога по входу 1");

    PickEvent(3);
    form->BitBtn2->click();
    EXPECT_EQ(item(3, Qt::ToolTipRole), "нет фразы");
    EXPECT_EQ(item(3, Qt::ForegroundRole), grey);
    EXPECT_EQ(form->ComboBoxEvents->currentText(), "Тревога по входу 1");
}

// Keys reach the window as the user types them; the actions and buttons that they reach are recorded
// and held back, so that nothing runs.
class ShortcutTest : public EditingTest, public QObject {
protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::Shortcut)
            return false;
        reached.push_back(target->objectName());
        return true;
    }

    std::vector<QString> reached;
};

TEST_F(ShortcutTest, KeysReachTheirActionsAndTheMenusTheirAccessKeys) {
    Start();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* target;
    };
    const Key keys[] = {
        {Qt::Key_O, Qt::ControlModifier, "FileOpen1"}, {Qt::Key_S, Qt::ControlModifier, "FileSave1"},
        {Qt::Key_N, Qt::ControlModifier, "FileNew1"},  {Qt::Key_I, Qt::ControlModifier, "BitBtn1"},
        {Qt::Key_Delete, Qt::NoModifier, "BitBtn2"},   {Qt::Key_F9, Qt::NoModifier, "Programm"},
        {Qt::Key_F10, Qt::NoModifier, "ReadConf"},     {Qt::Key_F11, Qt::NoModifier, "CompareConf"},
        {Qt::Key_Z, Qt::ControlModifier, "EditUndo"},  {Qt::Key_Y, Qt::ControlModifier, "EditRedo"},
    };
    for (QObject* target : form->findChildren<QObject*>())
        target->installEventFilter(this);
    form->EditUndo->setEnabled(true); // a disabled action takes no keys
    form->EditRedo->setEnabled(true);
    for (const Key& key : keys) {
        reached.clear();
        QTest::keyClick(form.get(), key.key, key.modifiers);
        EXPECT_EQ(reached, std::vector<QString>{QString::fromUtf8(key.target)}) << key.target;
    }
    for (QObject* target : form->findChildren<QObject*>())
        target->removeEventFilter(this);

    const auto key = Qt::Key(QChar(u'Ф').unicode()); // Alt+Ф
    QTest::sendKeyEvent(QTest::Press, form.get(), key, QStringLiteral("ф"), Qt::AltModifier);
    QTest::sendKeyEvent(QTest::Release, form.get(), key, QStringLiteral("ф"), Qt::AltModifier);
    QMenu* file = form->menuBar()->actions()[0]->menu();
    EXPECT_TRUE(QTest::qWaitFor([&] { return file->isVisible(); }));
    file->close();
}

} // namespace
