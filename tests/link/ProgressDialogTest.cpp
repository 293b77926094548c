#include "link/ReadWriteAction.h"

#include <QApplication>

#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>

namespace {

class ProgressDialog : public ::testing::Test {
protected:
    TFormReadWriteAtion dialog;
};

QColor LabelColour(const QLabel& label) {
    return label.palette().color(QPalette::WindowText);
}

TEST_F(ProgressDialog, StartsAsAFreshTransferWithItsControlsNamedAndPlaced) {
    EXPECT_EQ(dialog.windowTitle(), "Передача данных");
    EXPECT_EQ(dialog.size(), QSize(376, 113));
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowSystemMenuHint);

    auto* bevel = dialog.findChild<QFrame*>("Bevel1");
    ASSERT_TRUE(bevel);
    EXPECT_EQ(bevel->geometry(), QRect(0, 0, 376, 113));

    auto* label = dialog.findChild<QLabel*>("ActionName");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->pos(), QPoint(16, 20));
    EXPECT_TRUE(label->text().isEmpty());
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(LabelColour(*label), QApplication::palette(label).color(QPalette::WindowText));

    auto* bar = dialog.findChild<QProgressBar*>("ProgressBar");
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->geometry(), QRect(16, 52, 345, 16));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->value(), 0);

    auto* button = dialog.findChild<QPushButton*>("Button1");
    ASSERT_TRUE(button);
    auto* box = dialog.findChild<QCheckBox*>("CompareConfCheckBox");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->pos(), QPoint(16, 88));
    EXPECT_GE(box->width(), 257);
    EXPECT_LT(box->geometry().right(), button->x()) << "clear of the button";
    EXPECT_LE(box->sizeHint().width(), box->width()) << "the whole caption shows";
    EXPECT_EQ(box->text(), "Сравнить данные после программирования");
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(box->isHidden());

    EXPECT_EQ(button->geometry(), QRect(288, 80, 75, 25));
    EXPECT_EQ(button->text(), "Отмена");
    EXPECT_FALSE(dialog.CancelFlag.load());
}

TEST_F(ProgressDialog, TheButtonSetsTheCancelFlagForGood) {
    dialog.Button1->click();
    EXPECT_TRUE(dialog.CancelFlag.load());
    dialog.Button1->setText("Закрыть");
    dialog.Button1->click();
    EXPECT_TRUE(dialog.CancelFlag.load());
}

// Only the worker may close the dialog; the user's ways of closing it ask the worker to stop instead.
TEST_F(ProgressDialog, EscapeAndCloseRequestsCancelButLeaveTheDialogOpen) {
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &escape);
    EXPECT_TRUE(dialog.CancelFlag.load());
    EXPECT_TRUE(dialog.isVisible());

    TFormReadWriteAtion other;
    other.show();
    EXPECT_FALSE(other.close());
    EXPECT_TRUE(other.CancelFlag.load());
    EXPECT_TRUE(other.isVisible());

    dialog.done(QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ProgressDialog, ActionColoursAreTheStoredBgrValues) {
    dialog.SetActionColor(TColor::clRed);
    EXPECT_EQ(LabelColour(*dialog.ActionName), QColor(255, 0, 0));
    dialog.SetActionColor(TColor::clBlue);
    EXPECT_EQ(LabelColour(*dialog.ActionName), QColor(0, 0, 255));
    dialog.SetActionColor(TColor::clWindowText);
    EXPECT_EQ(LabelColour(*dialog.ActionName),
              QApplication::palette(dialog.ActionName).color(QPalette::WindowText));
}

TEST_F(ProgressDialog, AMessageTooLongForTwoLinesMakesTheDialogTallerNotCut) {
    dialog.SetActionCaption("Программирование завершено без проверки");
    EXPECT_EQ(dialog.size(), QSize(376, 113));

    dialog.SetActionCaption("Ошибка передачи данных\nReadFile function failed (error 5: Input/output error)\n"
                            "Check the cable and that the adapter is still plugged in, then try again.");
    const int extra = dialog.height() - 113;
    EXPECT_GT(extra, 0);
    EXPECT_GE(dialog.ActionName->height(), dialog.ActionName->heightForWidth(dialog.ActionName->width()));
    EXPECT_EQ(dialog.ProgressBar->y(), 52 + extra);
    EXPECT_EQ(dialog.Button1->y(), 80 + extra);
    EXPECT_EQ(dialog.CompareConfCheckBox->y(), 88 + extra);
    EXPECT_EQ(dialog.Bevel1->height(), dialog.height());
}

// The bar tells the percent done; the time left, once two seconds have given the pace, is that of the
// whole action: with the read-back ticked, the writing pass's estimate includes the reading pass, which
// goes on from there rather than starting again.
struct Step {
    int value;
    std::chrono::milliseconds at;
    const char* text;
};

void ExpectBarTexts(TFormReadWriteAtion& dialog, std::chrono::steady_clock::time_point start,
                    std::initializer_list<Step> steps) {
    for (const Step& step : steps) {
        {
            const QSignalBlocker atThisTimeOnly(dialog.ProgressBar);
            dialog.ProgressBar->setValue(step.value);
        }
        dialog.ShowProgress(step.value, start + step.at);
        EXPECT_EQ(dialog.ProgressBar->text(), QString::fromUtf8(step.text)) << step.value;
    }
}

TEST_F(ProgressDialog, TheBarShowsThePercentDoneAndThenTheTimeLeftOfTheWholeAction) {
    using namespace std::chrono_literals;
    const std::chrono::steady_clock::time_point start{}; // the test's own clock, never the machine's
    dialog.ProgressBar->setMaximum(1000);
    dialog.CompareConfCheckBox->setVisible(true);
    ExpectBarTexts(dialog, start,
                   {{0, 0ms, "0%"},
                    {10, 1000ms, "1%"},
                    {100, 10000ms, "10%, осталось 3 мин 10 с"},
                    {1000, 20000ms, "100%"}});
    dialog.CompareConfCheckBox->setEnabled(false); // read back, as chosen
    ExpectBarTexts(
        dialog, start,
        {{0, 20000ms, "0%, осталось 20 с"}, {500, 30000ms, "50%, осталось 10 с"}, {1000, 40000ms, "100%"}});

    TFormReadWriteAtion single; // no read-back: one pass
    single.ProgressBar->setMaximum(1000);
    ExpectBarTexts(single, start, {{0, 0ms, "0%"}, {200, 2000ms, "20%, осталось 8 с"}});
}

} // namespace
