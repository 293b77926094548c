// The controller actions of the main window, end to end: the window's port on the controller emulator,
// the test playing the user of the progress dialog.
#include "AppTestSupport.h"
#include "ProgressDialogUser.h"
#include "app/MainForm.h"
#include "app/SettingsFile.h"
#include "app/SoundOutput.h"
#include "app/TerminationSignals.h"
#include "emulator/ControllerEmulator.h"
#include "emulator/PatientLine.h"
#include "link/ReadWriteAction.h"
#include "tests/support/dialogs/ScriptedDialogs.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>
#ifndef _WIN32
#include <unistd.h>
#endif
#include <vector>

namespace {

using emulator::FaultKind;
using emulator::Stage;

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

class TransferActions : public ::testing::Test {
protected:
    TransferActions() {
        GiveTheEmulatorTime(form.ComPort1);
        form.ComPort1.SetPort(controller.SlavePath());
        form.ComPort1.Open();
        FillSlot(form.workingBank, 0, 16000); // event 0, selected: 2 seconds
        FillSlot(form.workingBank, 7, 9000);
        form.UpdateDisplay();
    }

    // Triggers the action as the user does; returns the dialog as it was when it closed.
    DialogState Run(QAction& action) {
        user.Reset();
        user.act = [&](TFormReadWriteAtion&) {
            enabledDuringTransfer = action.isEnabled();
            return true;
        };
        action.trigger();
        EXPECT_FALSE(user.gaveUp) << "the transfer never ended";
        EXPECT_TRUE(action.isEnabled());
        EXPECT_FALSE(form.transferRunning);
        return user.closing;
    }

    std::vector<std::uint32_t> SlotCounts() const {
        std::vector<std::uint32_t> counts;
        for (std::uint8_t slot = 0; slot < kSlotCount; ++slot)
            counts.push_back(form.workingBank.Slot(slot).count);
        return counts;
    }

    QString Display() const {
        return form.EditFragmentTime->text() + " | " + form.findChild<QLabel*>("Label3")->text();
    }

    TemporaryWorkingDirectory dir; // where a close writes its files
    emulator::ControllerEmulator controller;
    TForm1 form;
    ProgressDialogUser user;
    bool enabledDuringTransfer = true;
};

// A port that was busy or missing at start is opened by the next transfer; only a missing one is refused.
TEST_F(TransferActions, AClosedPortIsOpenedFirstAndAMissingOneRefusedWithoutSending) {
    form.ComPort1.Close();
    form.StatusPanel(1)->setText("NC");
    EXPECT_TRUE(Run(*form.CompareConf).caption.startsWith("Сообщения контроллера отличаются от текущих"));
    EXPECT_EQ(form.StatusPanel(1)->text().toStdString(), controller.SlavePath());

    form.ComPort1.Close();
    form.ComPort1.SetPort("COM250");
    const std::size_t sent = controller.Transcript().size();
    for (QAction* action : {form.Programm, form.ReadConf, form.CompareConf}) {
        const DialogState end = Run(*action);
        EXPECT_EQ(end.caption, "Указанный COM порт не найден");
        EXPECT_EQ(end.colour, kRed);
        EXPECT_TRUE(user.clickedClose);
        EXPECT_FALSE(enabledDuringTransfer);
    }
    EXPECT_EQ(controller.Transcript().size(), sent);
    EXPECT_EQ(form.StatusPanel(1)->text(), "NC");
}

TEST_F(TransferActions, ATransferStopsThePhraseBeingPlayed) {
    class Output final : public SoundOutput {
    public:
        explicit Output(int& stops) : stops_(stops) {}
        bool Play(const std::vector<std::int16_t>&, QString&) override { return true; }
        void Stop() override { ++stops_; }

    private:
        int& stops_;
    };
    int stops = 0;
    form.UseSoundOutput(std::make_unique<Output>(stops));
    form.BitBtnPlay->click();
    ASSERT_EQ(form.BitBtnPlay->text(), "Стоп");
    form.ComPort1.Close();
    form.ComPort1.SetPort("COM250"); // the transfer ends at once
    Run(*form.CompareConf);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(form.BitBtnPlay->text(), "Прослушать");
}

TEST_F(TransferActions, AReadReplacesEverySlotAndRefreshesTheDisplay) {
    VoiceBank controllerBank;
    FillSlot(controllerBank, 0, 8000);
    FillSlot(controllerBank, 42, 12000);
    controllerBank.PackImage();
    controller.WriteMemory(0, controllerBank.image);

    const DialogState end = Run(*form.ReadConf);
    EXPECT_EQ(end.caption, "Голосовые сообщения считаны");
    EXPECT_EQ(end.colour, kBlue);
    EXPECT_EQ(form.workingBank.Slot(0).count, 8000u);
    EXPECT_EQ(form.workingBank.Slot(7).count, 0u);
    EXPECT_EQ(form.workingBank.Slot(42).count, 12000u);
    EXPECT_TRUE(form.EditFragmentTime->text().startsWith("1 "))
        << form.EditFragmentTime->text().toStdString();
    EXPECT_EQ(form.StatusPanel(2)->text(), "QM.07.03");
}

TEST_F(TransferActions, AFailedReadLeavesTheSlotsAndTheDisplayAsTheyWere) {
    const std::vector<std::uint32_t> counts = SlotCounts();
    const QString display = Display();
    controller.InjectFault({Stage::ReadBlock, FaultKind::WrongEcho, 2000});
    const DialogState end = Run(*form.ReadConf);
    EXPECT_EQ(end.caption, "Ошибка передачи данных");
    EXPECT_EQ(SlotCounts(), counts);
    EXPECT_EQ(Display(), display);
}

TEST_F(TransferActions, ProgrammingWithReadBackReportsASingleDifferingByte) {
    controller.InjectFault({Stage::ReadBlock, FaultKind::WrongDataByte, 17});
    const DialogState end = Run(*form.Programm);
    // Block 17 lies in event 0's phrase: the second line names it.
    EXPECT_EQ(end.caption, "Ошибка, найдены несоответствия в данных\nОтличаются: Переход в режим \"ОХРАНА\"");
    EXPECT_EQ(end.colour, kRed);
    EXPECT_FALSE(enabledDuringTransfer);
    std::vector<std::uint8_t> memory(kImageSize);
    controller.ReadMemory(0, memory);
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), form.workingBank.image.begin()));
}

TEST_F(TransferActions, ACancelClosesTheDialogAtOnceAndTheActionComesBack) {
    controller.Hold(Stage::ReadBlock); // so that the user surely sees the reading
    bool cancelled = false;
    const auto cancelEarly = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text() != "Чтение голосовых сообщений...")
            return false;
        dialog.Button1->click();
        controller.Release();
        cancelled = true;
        return true;
    };
    user.Reset();
    user.act = cancelEarly;
    form.CompareConf->trigger();
    EXPECT_TRUE(cancelled);
    EXPECT_FALSE(user.clickedClose);
    EXPECT_EQ(user.closing.caption, "Передача данных прервана пользователем");
    EXPECT_TRUE(form.CompareConf->isEnabled());
}

// A programming stopped part-way leaves an incomplete bank: the user is asked first, and "Нет" goes on.
TEST_F(TransferActions, StoppingAProgrammingAsksFirstAndComparingDoesNot) {
    ScriptedDialogs dialogs;
    const auto stopWhile = [&](const QString& caption) {
        controller.Hold(caption == "Программирование голосовых сообщений..." ? Stage::WriteBlock
                                                                             : Stage::ReadBlock);
        user.Reset();
        user.act = [&, caption](TFormReadWriteAtion& dialog) {
            if (dialog.ActionName->text() != caption)
                return false;
            dialog.Button1->click();
            controller.Release();
            return true;
        };
    };
    dialogs.AnswerNextMessage(QMessageBox::No);
    stopWhile("Программирование голосовых сообщений...");
    form.Programm->trigger();
    EXPECT_EQ(user.closing.caption, "Программирование завершено успешно");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Прервать программирование? В контроллере останется неполный набор сообщений.");
    EXPECT_EQ(dialogs.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);

    dialogs.AnswerNextMessage(QMessageBox::Yes);
    stopWhile("Программирование голосовых сообщений...");
    form.Programm->trigger();
    EXPECT_EQ(user.closing.caption, "Передача данных прервана пользователем");

    stopWhile("Чтение голосовых сообщений...");
    form.CompareConf->trigger();
    EXPECT_EQ(user.closing.caption, "Передача данных прервана пользователем");
    EXPECT_EQ(dialogs.messages.size(), 2u);
}

// Unsaved changes are replaced by a read only when the user agrees; a read can be undone.
TEST_F(TransferActions, AReadOverUnsavedChangesAsksFirstAndCanBeUndone) {
    ScriptedDialogs dialogs;
    form.ComboBoxEvents->setCurrentIndex(7);
    form.BitBtn2->click();
    const std::vector<std::uint32_t> changed = SlotCounts();
    dialogs.AnswerNextMessage(QMessageBox::No);
    form.ReadConf->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Голосовые сообщения заменятся считанными из контроллера. Продолжить?");
    EXPECT_EQ(dialogs.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(controller.Transcript().empty());
    EXPECT_EQ(SlotCounts(), changed);

    VoiceBank controllerBank;
    FillSlot(controllerBank, 3, 800);
    controllerBank.PackImage();
    controller.WriteMemory(0, controllerBank.image);
    dialogs.AnswerNextMessage(QMessageBox::Yes);
    EXPECT_EQ(Run(*form.ReadConf).caption, "Голосовые сообщения считаны");
    EXPECT_EQ(form.workingBank.Slot(3).count, 800u);
    form.EditUndo->trigger();
    EXPECT_EQ(SlotCounts(), changed);
    form.EditRedo->trigger();
    EXPECT_EQ(form.workingBank.Slot(3).count, 800u);
}

// A programming that stops part-way leaves the controller with part of a bank until one succeeds; a
// failure before anything was written changes nothing.
TEST_F(TransferActions, AnIncompleteBankInTheControllerIsShownUntilTheNextWholeProgramming) {
    form.show();
    const QSize normal = form.size();
    const auto notice = [&] { return form.LabelIncompleteBank->isVisible(); };
    controller.InjectFault({Stage::WriteBlock, FaultKind::Status1, 300});
    EXPECT_EQ(Run(*form.Programm).colour, kRed);
    EXPECT_TRUE(notice());
    EXPECT_EQ(form.height(), normal.height() + form.LabelIncompleteBank->height() + 4);
    EXPECT_LE(form.LabelIncompleteBank->sizeHint().width(), form.LabelIncompleteBank->width());
    controller.InjectFault({Stage::Identification, FaultKind::WrongEcho, emulator::kAnyBlock});
    Run(*form.Programm);
    EXPECT_TRUE(notice());
    controller.ClearFaults();
    EXPECT_EQ(Run(*form.Programm).caption, "Программирование завершено успешно");
    EXPECT_FALSE(notice());
    EXPECT_EQ(form.size(), normal);
}

// The window must not pack and save the bank while the worker still uses it.
TEST_F(TransferActions, ACloseRequestDuringATransferIsIgnored) {
    form.show();
    bool closedDuringTransfer = true;
    user.Reset();
    user.act = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text().isEmpty())
            return false;
        closedDuringTransfer = form.close();
        return true;
    };
    form.ReadConf->trigger();
    EXPECT_FALSE(closedDuringTransfer);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(user.clickedClose);
}

#ifndef _WIN32 // a logoff on Windows has its own test
// A logout mid-transfer cancels it; the window closes, saving the bank, once the worker is done.
TEST_F(TransferActions, ATerminationSignalDuringATransferCancelsItAndThenCloses) {
    controller.Hold(Stage::ReadBlock);
    const TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::Received, &form, &TForm1::EndProgram);
    form.show();
    user.Reset();
    user.act = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text().isEmpty())
            return false;
        ::kill(::getpid(), SIGTERM);
        controller.Release();
        return true;
    };
    form.ReadConf->trigger();
    EXPECT_EQ(user.closing.caption, "Передача данных прервана пользователем");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(QFileInfo(dir.FilePath("default.vce")).size(), 539671);
}
#endif

} // namespace

TEST_F(TransferActions, UsedOnlyIsOffAtFirstRememberedAndProgramsOnlyTheUsedBlocks) {
    const QTemporaryDir config; // of this test alone: the others run at the same time
    QSettings::setPath(SettingsFile::kProgramSettingsFormat, QSettings::UserScope, config.path());
    EXPECT_FALSE(TForm1().UsedOnly->isChecked());
    form.UsedOnly->trigger(); // as the user ticks it in the menu "Контроллер"
    EXPECT_TRUE(TForm1().UsedOnly->isChecked());

    const DialogState end = Run(*form.Programm);
    EXPECT_EQ(end.caption, "Программирование завершено успешно");
    // Events 0 and 7 hold 8000 and 4500 bytes after the 300-byte directory: 54 blocks of 240.
    std::vector<std::uint8_t> memory(kImageSize);
    controller.ReadMemory(0, memory);
    const auto usedBlocksEnd = memory.begin() + 54 * 240;
    EXPECT_TRUE(std::equal(memory.begin(), usedBlocksEnd, form.workingBank.image.begin()));
    EXPECT_TRUE(std::all_of(usedBlocksEnd, memory.end(), [](std::uint8_t byte) { return byte == 0xFF; }));
}
