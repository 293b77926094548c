#include "app/BankForm.h"
#include "app/FilePath.h"
#include "app/MainForm.h"

#include "audio/Loudness.h"
#include "link/ComSelect.h"

#include "AppTestSupport.h"
#include "tests/support/dialogs/ScriptedDialogs.h"
#include "tests/support/wav/WavBuilder.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace {

// A 300 Hz tone of the given amplitude (of full scale), in slot `slot`.
void FillTone(VoiceBank& bank, std::uint8_t slot, double amplitude, std::uint32_t samples = 12000) {
    bank.ClearSlot(slot);
    for (std::uint32_t i = 0; i < samples; ++i)
        bank.AppendSample(slot,
                          std::int16_t(amplitude * 32767 * std::sin(2 * std::numbers::pi * 300 * i / 8000)));
}

// A drop is delivered only where a drag entered first.
void Drop(QWidget* target, QPoint at, const QMimeData& data) {
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

class BankFormTest : public ::testing::Test {
protected:
    BankFormTest() {
        TestApplication();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        SetComPortLister([](std::vector<std::string>& list) { list.clear(); });
        VoiceBank bank;
        FillTone(bank, 3, 0.5, 8000);
        FillTone(bank, 4, 0.02);
        bank.PackImage();
        WriteFileBytes(dir.FilePath("default.vce"), VoiceFileBytes(bank.image));
        form = std::make_unique<TForm1>();
        form->FormCreate();
        form->ViewBank->trigger();
        table = form->FormBank->TableEvents;
    }
    ~BankFormTest() override {
        QLocale::setDefault(QLocale::c());
        SetComPortLister({});
    }

    QString Cell(int row, int column) const { return table->item(row, column)->text(); }
    QToolButton* Button(int row, const char* name) const {
        return table->cellWidget(row, TFormBank::Actions)->findChild<QToolButton*>(QLatin1String(name));
    }
    double Level(int row) const {
        return QLocale().toDouble(Cell(row, TFormBank::Level).section(QLatin1Char(' '), 0, 0));
    }

    QString Wav(const QString& name, std::size_t samples) const {
        wavtest::WriteFile(ToPath(dir.FilePath(name)), wavtest::CanonicalWav(wavtest::Signal(samples)));
        return dir.FilePath(name);
    }
    void DropOnRow(int row, const QStringList& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& file : files)
            urls.append(QUrl::fromLocalFile(file));
        data.setUrls(urls);
        Drop(table->viewport(), table->visualRect(table->model()->index(row, 1)).center(), data);
    }
    VoiceImage Image() {
        form->workingBank.PackImage();
        return form->workingBank.image;
    }

    TemporaryHome home;
    TemporaryWorkingDirectory dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> form;
    QTableWidget* table = nullptr;
};

TEST_F(BankFormTest, RowsFollowTheBankAndTheSelectionBothWaysUndoIncluded) {
    EXPECT_EQ(form->FormBank->objectName(), "FormBank");
    EXPECT_EQ(form->FormBank->windowTitle(), "Все события");
    ASSERT_EQ(table->rowCount(), 43);
    EXPECT_EQ(Cell(3, TFormBank::Number), "3");
    EXPECT_EQ(Cell(3, TFormBank::Name), "Тревога по входу 1");
    EXPECT_EQ(Cell(3, TFormBank::Duration), "1 с");
    EXPECT_EQ(Cell(4, TFormBank::Duration), "1,5 с");
    EXPECT_EQ(Cell(0, TFormBank::Duration), "нет фразы");
    EXPECT_TRUE(Cell(3, TFormBank::Level).endsWith(" LUFS"));
    EXPECT_GT(Level(3), Level(4) + 20); // 28 dB apart
    EXPECT_FALSE(Button(0, "Listen")->isEnabled());
    for (const char* button : {"Listen", "Open", "Record", "Delete"}) // drawn also where SVG is not
        EXPECT_FALSE(Button(0, button)->icon().pixmap(16).isNull()) << button;

    form->ComboBoxEvents->setCurrentIndex(7);
    emit form->ComboBoxEvents->activated(7);
    EXPECT_EQ(table->currentRow(), 7);
    table->setCurrentCell(4, 1);
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 4);

    Button(3, "Delete")->click();
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 3);
    EXPECT_EQ(form->workingBank.Slot(3).count, 0u);
    EXPECT_EQ(Cell(3, TFormBank::Duration), "нет фразы");
    EXPECT_EQ(Cell(3, TFormBank::Level), "");
    form->EditUndo->trigger();
    EXPECT_EQ(Cell(3, TFormBank::Duration), "1 с");
    EXPECT_TRUE(Cell(3, TFormBank::Level).endsWith(" LUFS"));

    // The keys of the table's own window, undo and redo included.
    ASSERT_TRUE(QTest::qWaitForWindowActive(form->FormBank));
    table->setCurrentCell(4, 1);
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(Cell(4, TFormBank::Duration), "нет фразы");
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Cell(4, TFormBank::Duration), "1,5 с");
    QTest::keyClick(table, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Cell(4, TFormBank::Duration), "нет фразы");
}

TEST_F(BankFormTest, LevellingTheBankIsOneStepThatTheTableShows) {
    const double before = Level(3) - Level(4);
    form->EditLevelAll->trigger();
    EXPECT_LT(std::abs(Level(3) - Level(4)), 1.0) << before;
    EXPECT_EQ(form->workingBank.Slot(4).count, 12000u);
    form->EditUndo->trigger();
    EXPECT_NEAR(Level(3) - Level(4), before, 0.05);
}

TEST_F(BankFormTest, FilesDroppedOnARowFillItAndTheFollowingEmptyEventsInOneStep) {
    const VoiceImage before = Image();
    DropOnRow(2, {Wav("a.wav", 1000), Wav("b.wav", 2000), Wav("c.wav", 3000)});
    EXPECT_EQ(form->workingBank.Slot(2).count, 1000u);
    EXPECT_EQ(form->workingBank.Slot(3).count, 8000u); // events with a phrase are passed over
    EXPECT_EQ(form->workingBank.Slot(5).count, 2000u);
    EXPECT_EQ(form->workingBank.Slot(6).count, 3000u);
    EXPECT_EQ(form->ComboBoxEvents->currentIndex(), 2);
    EXPECT_EQ(Cell(6, TFormBank::Duration), "0,375 с");
    EXPECT_TRUE(dialogs.messages.empty());
    form->EditUndo->trigger();
    EXPECT_EQ(Image(), before);

    // A file that can't be loaded leaves its event to the next one.
    wavtest::WriteFile(ToPath(dir.FilePath("notes.txt")), std::vector<std::uint8_t>{'t', 'e', 'x', 't'});
    DropOnRow(2, {dir.FilePath("notes.txt"), Wav("e.wav", 700)});
    EXPECT_EQ(form->workingBank.Slot(2).count, 700u);
    ASSERT_EQ(dialogs.messages.size(), 1u); // what was wrong with the text file
    form->EditUndo->trigger();

    // On the main window they go to its selected event.
    form->ComboBoxEvents->setCurrentIndex(10);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Wav("d.wav", 500))});
    Drop(form.get(), QPoint(100, 100), data);
    EXPECT_EQ(form->workingBank.Slot(10).count, 500u);
}

TEST_F(BankFormTest, AFolderExportedAndImportedGivesTheSameBankAndASummary) {
    const VoiceImage saved = Image();
    ASSERT_TRUE(QDir(dir.FilePath(".")).mkdir("phrases"));
    const QString folder = dir.FilePath("phrases");
    dialogs.ChooseNextFile(folder);
    form->FileExportFolder->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "Сохранено фраз: 2\nПапка: " + QDir::toNativeSeparators(folder));
    EXPECT_TRUE(QFileInfo::exists(folder + "/03 Тревога по входу 1.wav"));
    Wav("phrases/заставка.wav", 100);

    dialogs.AnswerNextMessage(QMessageBox::Yes);
    form->FileNew1->trigger();
    dialogs.ChooseNextFile(folder);
    form->FileImportFolder->trigger();
    EXPECT_EQ(Image(), saved);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[2].text,
              "Загружено фраз: 2\n\nПропущены:\nзаставка.wav — имя не начинается с номера события и не "
              "совпадает с его названием");
    form->EditUndo->trigger(); // the whole folder is one step
    EXPECT_EQ(form->workingBank.UsedSamples(), 0u);
}

} // namespace
