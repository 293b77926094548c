// One transfer at a time through RunTransfer, against the controller emulator on a pseudo-terminal,
// with the test playing the user of the progress dialog.
#include "link/Transfer.h"
#include "ProgressDialogUser.h"
#include "controller/ControllerLine.h"
#include "emulator/ControllerEmulator.h"
#include "emulator/PatientLine.h"
#include "link/ReadWriteAction.h"
#include "serial/CPort.h"
#include "voice/Voicebank.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

using emulator::FaultKind;
using emulator::Stage;

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

class Transfer : public ::testing::Test {
protected:
    Transfer() {
        SetUpControllerLine(port);
        GiveTheEmulatorTime(port);
        port.SetPort(controller.SlavePath());
        port.Open();
        Record(working, 0, 20000, 1);
        Record(working, 42, 30000, 2);
    }

    // Noise into a slot, so that every image differs from the controller's fresh memory.
    static void Record(VoiceBank& bank, std::uint8_t slot, int samples, std::uint32_t seed) {
        bank.ResetEncoder();
        for (int i = 0; i < samples; ++i) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            bank.AppendSample(slot, static_cast<std::int16_t>(seed));
        }
    }

    // Runs one transfer as the main window does; returns the dialog as it was when it closed.
    DialogState Run(TransferMode mode) {
        RunTransfer(mode,
                    {port, working, scratch, mainWindow, [this](const QString& text) { panel2 = text; }, {}},
                    nullptr);
        EXPECT_FALSE(user.gaveUp) << "the transfer never ended";
        return user.closing;
    }

    std::vector<std::uint8_t> ControllerMemory() const {
        std::vector<std::uint8_t> memory(kImageSize);
        controller.ReadMemory(0, memory);
        return memory;
    }

    static std::vector<std::uint8_t> Image(const VoiceBank& bank) {
        return {bank.image.begin(), bank.image.end()};
    }

    std::vector<std::uint8_t> PackedImage() {
        working.PackImage();
        return Image(working);
    }

    emulator::ControllerEmulator controller;
    TComPort port;
    VoiceBank working;
    VoiceBank scratch;
    QWidget mainWindow;
    QString panel2;
    ProgressDialogUser user;
};

TEST_F(Transfer, WithAPortThatCantBeOpenedNothingIsSentAndTheDialogWaitsForTheClick) {
    port.Close();
    port.SetPort("COM250");
    for (TransferMode mode : {TransferMode::Read, TransferMode::Program, TransferMode::Compare}) {
        user.Reset();
        const DialogState end = Run(mode);
        EXPECT_EQ(end.caption, "Указанный COM порт не найден");
        EXPECT_EQ(end.colour, kRed);
        EXPECT_EQ(end.button, "Закрыть");
        EXPECT_TRUE(user.clickedClose);
    }
    EXPECT_TRUE(controller.Transcript().empty());
}

TEST_F(Transfer, AReadBringsTheControllersWholeMemoryIntoTheWorkingImage) {
    VoiceBank controllerBank;
    Record(controllerBank, 5, 40000, 3);
    controllerBank.PackImage();
    controller.WriteMemory(0, controllerBank.image);
    controller.SetFirmware("ZR.07.02");

    const DialogState end = Run(TransferMode::Read);
    EXPECT_EQ(end.caption, "Голосовые сообщения считаны");
    EXPECT_EQ(end.colour, kBlue);
    EXPECT_EQ(end.progress, static_cast<int>(kImageSize));
    EXPECT_EQ(end.maximum, static_cast<int>(kImageSize));
    EXPECT_FALSE(end.boxShown);
    EXPECT_EQ(Image(working), Image(controllerBank));
    EXPECT_EQ(panel2, "ZR.07.02");
    EXPECT_TRUE(controller.Violations().empty());
}

TEST_F(Transfer, AReadThatFailsAtABlockLeavesTheWorkingImageAsPacked) {
    const std::vector<std::uint8_t> packed = PackedImage();
    controller.InjectFault({Stage::ReadBlock, FaultKind::WrongChecksum, 1000});
    const DialogState end = Run(TransferMode::Read);
    EXPECT_EQ(end.caption, "Ошибка передачи данных");
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(end.progress, 1000 * 240);
    EXPECT_EQ(Image(working), packed);
}

TEST_F(Transfer, ProgrammingWithTheBoxUntickedWritesAndReadsNothingBack) {
    controller.Hold(Stage::WriteBlock); // until the user has seen the programming run
    user.act = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text() != "Программирование голосовых сообщений...")
            return false;
        dialog.CompareConfCheckBox->setChecked(false);
        controller.Release();
        return true;
    };
    const DialogState end = Run(TransferMode::Program);
    EXPECT_EQ(end.caption, "Программирование завершено без проверки");
    EXPECT_EQ(end.colour, kBlue);
    EXPECT_TRUE(end.boxShown);
    EXPECT_TRUE(end.boxEnabled);
    EXPECT_EQ(ControllerMemory(), PackedImage());
    EXPECT_EQ(controller.Count().readBlocks, 0);
    EXPECT_EQ(controller.Count().writeBlocks, 2249);
}

TEST_F(Transfer, ProgrammingWithReadBackFindsEqualMemoryAndASingleDifferingByte) {
    DialogState end = Run(TransferMode::Program);
    EXPECT_EQ(end.caption, "Программирование завершено успешно");
    EXPECT_EQ(end.colour, kBlue);
    EXPECT_TRUE(end.boxChecked);
    EXPECT_FALSE(end.boxEnabled); // locked for the read-back
    EXPECT_EQ(ControllerMemory(), PackedImage());
    EXPECT_EQ(controller.Count().readBlocks, 2249);

    controller.InjectFault({Stage::ReadBlock, FaultKind::WrongDataByte, 2248});
    user.Reset();
    end = Run(TransferMode::Program);
    EXPECT_EQ(end.caption, "Ошибка, найдены несоответствия в данных");
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(end.progress, static_cast<int>(kImageSize));
}

TEST_F(Transfer, ComparingNeverChangesTheWorkingBank) {
    const std::vector<std::uint8_t> packed = PackedImage();
    controller.WriteMemory(0, packed);
    DialogState end = Run(TransferMode::Compare);
    EXPECT_EQ(end.caption, "Сообщения контроллера аналогичны текущим");
    EXPECT_EQ(end.colour, kBlue);

    const std::uint8_t changed[] = {static_cast<std::uint8_t>(packed[300000] ^ 0x10)};
    controller.WriteMemory(300000, changed);
    user.Reset();
    end = Run(TransferMode::Compare);
    EXPECT_EQ(end.caption, "Сообщения контроллера отличаются от текущих");
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(Image(working), packed);
    EXPECT_EQ(controller.Count().writeBlocks, 0);
}

// The outcome stays up while the line is drained; a port whose reads have no time limit must not hold
// the click on "Закрыть".
TEST_F(Transfer, TheClickClosesTheDialogThoughThePortsReadsHaveNoTimeLimit) {
    controller.WriteMemory(0, PackedImage());
    port.Timeouts().SetReadTotalMultiplier(0);
    port.Timeouts().SetReadTotalConstant(0);
    EXPECT_EQ(Run(TransferMode::Compare).caption, "Сообщения контроллера аналогичны текущим");
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 0);
}

// A cancel is looked at after each block; the dialog then closes without a second click.
TEST_F(Transfer, ACancelStopsAfterTheCurrentBlockAndClosesTheDialogAtOnce) {
    controller.Hold(Stage::WriteBlock);
    user.act = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text() != "Программирование голосовых сообщений...")
            return false;
        dialog.Button1->click();
        controller.Release();
        return true;
    };
    const DialogState end = Run(TransferMode::Program);
    EXPECT_EQ(end.caption, "Передача данных прервана пользователем");
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(end.button, "Отмена");
    EXPECT_FALSE(user.clickedClose);
    EXPECT_LT(controller.Count().writeBlocks, 2249);
    EXPECT_EQ(controller.Count().readBlocks, 0); // no read-back after a cancelled write
}

TEST_F(Transfer, AnUnsupportedFirmwareIsNamedInTheDialogAndTheStatusBar) {
    controller.SetFirmware("qm.07.03");
    const DialogState end = Run(TransferMode::Compare);
    EXPECT_EQ(end.caption, "Контроллер версии qm.07.03 не поддерживается");
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(panel2, "qm.07.03");
    EXPECT_EQ(controller.Count().programmingCommands, 0);
}

TEST_F(Transfer, AMissingControllerIsReportedWithThePortName) {
    controller.InjectFault({Stage::Identification, FaultKind::NoAnswer});
    const DialogState end = Run(TransferMode::Read);
    EXPECT_EQ(end.caption, QString::fromStdString("Контроллер не найден на " + controller.SlavePath()));
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(panel2, " ");
    // On a busy machine the emulator may hear the last attempt only after the program gave up on it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (controller.Count().identifications < 3 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(controller.Count().identifications, 3);
}

// A pulled adapter: the port raises, the transfer ends with its message, and the dialog still closes.
TEST_F(Transfer, AHangUpMidTransferEndsWithThePortsMessageAndAClosableDialog) {
    const std::vector<std::uint8_t> packed = PackedImage();
    controller.InjectFault({Stage::ReadBlock, FaultKind::HangUp, 500});
    const DialogState end = Run(TransferMode::Read);
    EXPECT_TRUE(end.caption.startsWith("Ошибка передачи данных\n")) << end.caption.toStdString();
    EXPECT_GT(end.caption.size(), QString("Ошибка передачи данных\n").size());
    EXPECT_EQ(end.colour, kRed);
    EXPECT_EQ(end.button, "Закрыть");
    EXPECT_TRUE(user.clickedClose);
    EXPECT_EQ(Image(working), packed);
}

// The second dialog is a new one: nothing of the first transfer's outcome shows in it.
TEST_F(Transfer, ASecondTransferStartsWithAFreshDialog) {
    controller.SetFirmware("QM.99.99");
    Run(TransferMode::Program);

    controller.SetFirmware("QM.07.04");
    controller.Hold(Stage::ReadBlock);
    user.Reset();
    user.act = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text() != "Чтение голосовых сообщений...")
            return false;
        controller.Release();
        return true;
    };
    const DialogState end = Run(TransferMode::Read);
    EXPECT_EQ(end.caption, "Голосовые сообщения считаны");
    const auto reading = std::find_if(user.seen.begin(), user.seen.end(), [](const DialogState& state) {
        return state.caption == "Чтение голосовых сообщений...";
    });
    ASSERT_NE(reading, user.seen.end());
    EXPECT_EQ(reading->colour, QApplication::palette().color(QPalette::WindowText));
    EXPECT_FALSE(reading->boxShown);
    EXPECT_EQ(reading->button, "Отмена");
    EXPECT_EQ(user.seen.front().progress, 0);
}

// Quitting ends every event loop, the dialog's too, while the worker still runs: the worker must be
// stopped before the caller goes on with the banks, and nothing may hang.
TEST_F(Transfer, AnApplicationQuittingMidTransferStopsTheWorkerFirst) {
    controller.Hold(Stage::ReadBlock);
    user.act = [&](TFormReadWriteAtion& dialog) {
        if (dialog.ActionName->text() != "Чтение голосовых сообщений...")
            return false;
        QCoreApplication::exit(0);
        controller.Release();
        return true;
    };
    const std::vector<std::uint8_t> packed = PackedImage();
    int readBlocksWhenBanksFree = -1;
    RunTransfer(TransferMode::Read, {port, working, scratch, mainWindow, [](const QString&) {}, {}},
                [&] { readBlocksWhenBanksFree = controller.Count().readBlocks; });
    EXPECT_EQ(controller.Count().readBlocks, readBlocksWhenBanksFree) << "the worker went on reading";
    EXPECT_LT(readBlocksWhenBanksFree, 2249);
    EXPECT_EQ(Image(working), packed);
}

} // namespace
