#include "app/BankForm.h"
#include "app/MainForm.h"
#include "audio/Loudness.h"
#include "link/ComSelect.h"

#include "AppTestSupport.h"
#include "tests/support/dialogs/ScriptedDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QLocale>
#include <QTableWidget>
#include <QToolButton>

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
    EXPECT_EQ(Cell(3, TFormBank::Number), "4");
    EXPECT_EQ(Cell(3, TFormBank::Name), "Тревога по входу 1");
    EXPECT_EQ(Cell(3, TFormBank::Duration), "1 с");
    EXPECT_EQ(Cell(4, TFormBank::Duration), "1,5 с");
    EXPECT_EQ(Cell(0, TFormBank::Duration), "нет фразы");
    EXPECT_TRUE(Cell(3, TFormBank::Level).endsWith(" LUFS"));
    EXPECT_GT(Level(3), Level(4) + 20); // 28 dB apart
    EXPECT_FALSE(Button(0, "Listen")->isEnabled());

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
}

TEST_F(BankFormTest, LevellingTheBankIsOneStepThatTheTableShows) {
    const double before = Level(3) - Level(4);
    form->EditLevelAll->trigger();
    EXPECT_LT(std::abs(Level(3) - Level(4)), 1.0) << before;
    EXPECT_EQ(form->workingBank.Slot(4).count, 12000u);
    form->EditUndo->trigger();
    EXPECT_NEAR(Level(3) - Level(4), before, 0.05);
}

} // namespace
