// The port dialog: the ports it offers, OK on ports that open and ports that don't, Cancel, and the
// status panel it leaves behind.

#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "PseudoTerminal.h"
#include "app/ComPortSetup.h"
#include "app/Dialogs.h"
#include "app/SingleInstance.h"
#include "link/ComComboBox.h"
#include "tests/support/dialogs/ScriptedDialogs.h"

namespace {

const std::string kMissingPort = "/dev/vp-no-such-port";

void WriteFile(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

QStringList ItemsOf(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

class ComPortSetupTest : public ::testing::Test {
protected:
    ComPortSetupTest() { panel.setText("NC"); }
    ~ComPortSetupTest() override { SetComPortLister({}); }

    // The ports the system "offers" to the dialog.
    void Offer(std::vector<std::string> ports) {
        SetComPortLister([ports](std::vector<std::string>& list) { list = ports; });
    }

    // The dialog has closed on the pty's port, open and named in the panel.
    void ExpectClosedOnThePtyPort(const QDialog& dialog) {
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(port.Connected());
        EXPECT_EQ(port.Port(), pty.SlavePath());
        EXPECT_EQ(panel.text().toStdString(), pty.SlavePath());
    }

    void OpenPortOnPty() {
        port.SetPort(pty.SlavePath());
        port.Open();
        panel.setText(QString::fromStdString(pty.SlavePath()));
    }

    // The user picks an entry in the list, as with the arrow keys or the mouse.
    static void Pick(TComComboBox& combo, const std::string& text) {
        const int index = combo.findText(QString::fromStdString(text));
        ASSERT_GE(index, 0) << text;
        combo.setCurrentIndex(index);
        emit combo.activated(index);
    }

    QString Error() const { return dialogs.messages.empty() ? QString() : dialogs.messages.back().text; }

    ScriptedDialogs dialogs;
    PseudoTerminal pty;
    TComPort port;
    QLabel panel;
};

} // namespace

TEST_F(ComPortSetupTest, HasTheCaptionSizeAndControlsOfTheForm) {
    Offer({});
    TFormCOMPortSetup dialog(port, panel);
    // Neither is marked as the default; once shown, Enter presses the focused button, as usual in Qt.
    EXPECT_FALSE(dialog.Button1->isDefault());
    EXPECT_FALSE(dialog.Button2->isDefault());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Выбор COM порта");
    EXPECT_EQ(dialog.height(), 105);
    EXPECT_GE(dialog.width(), 193); // wider where the caption or a port's description needs it
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.ComComboBox1->pos(), QPoint(16, 24));
    EXPECT_EQ(dialog.ComComboBox1->width(), 161);
    EXPECT_TRUE(dialog.ComComboBox1->isEditable()); // a path or name not listed can be typed
    EXPECT_EQ(dialog.ComComboBox1->ComProperty(), cpPort);
    EXPECT_EQ(dialog.ComComboBox1->ComPort(), &port);
    EXPECT_FALSE(dialog.ComComboBox1->AutoApply());
    EXPECT_EQ(dialog.Button1->geometry(), QRect(16, 64, 75, 25));
    EXPECT_EQ(dialog.Button2->geometry(), QRect(104, 64, 75, 25));
    EXPECT_EQ(dialog.Button1->text(), "OK");
    EXPECT_EQ(dialog.Button2->text(), "Отмена");
    for (const char* name : {"ComComboBox1", "Button1", "Button2"})
        EXPECT_NE(dialog.findChild<QWidget*>(name), nullptr) << name;
}

// Adapters plugged in or out while the dialog is open show up in its list; the user's pick stays.
TEST_F(ComPortSetupTest, ShowsWhatEachPortIsAndFollowsAdaptersComingAndGoing) {
    auto ports = std::make_shared<std::vector<ComPortInfo>>(std::vector<ComPortInfo>{
        {"ttyUSB0", "FT232R USB UART (FTDI)", true}, {"COM1", "встроенный порт", false}});
    SetComPortInfoLister([ports](std::vector<ComPortInfo>& list) { list = *ports; });
    QTemporaryDir dev;
    port.SetPort("COM1");
    TFormCOMPortSetup dialog(port, panel, nullptr, dev.path());
    EXPECT_EQ(ItemsOf(*dialog.ComComboBox1),
              QStringList({"ttyUSB0 — FT232R USB UART (FTDI)", "COM1 — встроенный порт"}));
    EXPECT_EQ(dialog.ComComboBox1->Text(), "COM1");
    Pick(*dialog.ComComboBox1, "ttyUSB0 — FT232R USB UART (FTDI)");

    const auto listChanges = [&](const char* device, int count) {
        QDeadlineTimer deadline(10000);
        WriteFile(dev.filePath(device));
        while (dialog.ComComboBox1->count() != count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(dialog.ComComboBox1->count(), count) << device;
        EXPECT_EQ(dialog.ComComboBox1->Text(), "ttyUSB0");
    };
    ports->insert(ports->begin() + 1, {"ttyACM0", "Arduino Uno", true});
    listChanges("ttyACM0", 3);
    EXPECT_EQ(dialog.ComComboBox1->itemText(1), "ttyACM0 — Arduino Uno");
    ports->erase(ports->begin() + 1);
    QFile::remove(dev.filePath("ttyACM0"));
    listChanges("other", 2);
}

// An adapter is saved by its stable link, found again under another ttyUSB number; a path can be typed.
TEST_F(ComPortSetupTest, SavesAnAdaptersStableLinkAndTakesATypedPath) {
    SetComPortInfoLister([&](std::vector<ComPortInfo>& list) {
        list = {{"ttyUSB0", "FT232R USB UART (FTDI)", true, pty.SlavePath()}};
    });
    port.SetPort("ttyUSB0"); // as an older setting names it
    TFormCOMPortSetup dialog(port, panel);
    EXPECT_EQ(dialog.ComComboBox1->itemText(0).toStdString(),
              "ttyUSB0 — FT232R USB UART (FTDI) — " + pty.SlavePath());
    dialog.Button1->click();
    EXPECT_EQ(port.Port(), pty.SlavePath());
    EXPECT_TRUE(port.Connected());

    port.Close();
    TFormCOMPortSetup typed(port, panel);
    typed.ComComboBox1->setEditText(QString::fromStdString(kMissingPort));
    typed.RefreshPorts(); // an adapter plugged in meanwhile keeps what was typed
    typed.Button1->click();
    EXPECT_EQ(port.Port(), kMissingPort);
    EXPECT_FALSE(Error().isEmpty());
}

TEST_F(ComPortSetupTest, ListsTheSystemsPortsAndSelectsTheCurrentOneWithoutRegardToCase) {
    Offer({"COM1", "COM3", "ttyUSB0"});
    port.SetPort("com3");
    TFormCOMPortSetup dialog(port, panel);
    EXPECT_EQ(ItemsOf(*dialog.ComComboBox1), (QStringList{"COM1", "COM3", "ttyUSB0"}));
    EXPECT_EQ(dialog.ComComboBox1->Text(), "COM3");
}

TEST_F(ComPortSetupTest, ACurrentPortTheSystemDoesNotListIsShownAsWell) {
    Offer({"COM1", "COM3"});
    port.SetPort("ttyUSB2"); // an adapter that is unplugged
    TFormCOMPortSetup dialog(port, panel);
    EXPECT_EQ(ItemsOf(*dialog.ComComboBox1), (QStringList{"COM1", "COM3", "ttyUSB2"}));
    EXPECT_EQ(dialog.ComComboBox1->Text(), "ttyUSB2");
}

TEST_F(ComPortSetupTest, TheOpenListIsWideEnoughForLongDeviceNames) {
    const QString longName = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    Offer({"COM1", longName.toStdString()});
    TFormCOMPortSetup dialog(port, panel);
    EXPECT_GT(dialog.ComComboBox1->view()->minimumWidth(),
              dialog.ComComboBox1->view()->fontMetrics().horizontalAdvance(longName));
}

TEST_F(ComPortSetupTest, OKOnThePortThatIsOpenClosesAtOnceAndShowsItInThePanel) {
    OpenPortOnPty();
    panel.setText("stale");
    Offer({"COM1", pty.SlavePath()});
    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    ASSERT_EQ(dialog.ComComboBox1->Text().toStdString(), pty.SlavePath());

    dialog.Button1->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ExpectClosedOnThePtyPort(dialog);
    EXPECT_TRUE(dialogs.messages.empty());
}

// An adapter pulled out and plugged back in under the same name (a link, as in /dev/serial/by-id).
TEST_F(ComPortSetupTest, OKOnTheSameNameOpensAPortWhoseLineHungUpAgain) {
#ifdef _WIN32
    GTEST_SKIP() << "under Wine the line server serves one line at a time, so no second adapter can come";
#endif
    const std::filesystem::path link =
        std::filesystem::temp_directory_path() / ("vp-adapter-" + std::to_string(::getpid()));
    std::filesystem::create_symlink(pty.SlavePath(), link);
    port.SetPort(link.string());
    port.Open();
    pty.HangUp();
    EXPECT_THROW(port.Write("x", 1), EComPort);
    PseudoTerminal pluggedIn;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pluggedIn.SlavePath(), link);

    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    dialog.Button1->click();
    std::filesystem::remove(link);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(port.LineFailed());
    EXPECT_EQ(port.Write("x", 1), 1);
    EXPECT_EQ(pluggedIn.Read(1), std::vector<std::uint8_t>{'x'});
}

TEST_F(ComPortSetupTest, OKOpensAPickedPortAndClosesTheDialog) {
    port.SetPort("COM1");
    Offer({"COM1", pty.SlavePath()});
    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    Pick(*dialog.ComComboBox1, pty.SlavePath());
    EXPECT_EQ(port.Port(), "COM1"); // nothing changes before OK

    dialog.Button1->click();
    ExpectClosedOnThePtyPort(dialog);
}

TEST_F(ComPortSetupTest, APortThatCantBeOpenedKeepsTheDialogOpenWithTheErrorShown) {
    OpenPortOnPty();
    Offer({pty.SlavePath(), kMissingPort});
    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    Pick(*dialog.ComComboBox1, kMissingPort);

    dialog.Button1->click();
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(Error().startsWith("Не удалось открыть порт")) << Error().toStdString();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), kMissingPort);
    EXPECT_EQ(panel.text().toStdString(), pty.SlavePath()); // the panel changes only when the dialog closes

    // The user tries another port: it opens and the dialog closes.
    Pick(*dialog.ComComboBox1, pty.SlavePath());
    dialog.Button1->click();
    ExpectClosedOnThePtyPort(dialog);
}

TEST_F(ComPortSetupTest, AnEmptyChoiceFailsLikeAPortThatCantBeOpened) {
    port.SetPort("");
    Offer({});
    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    ASSERT_EQ(dialog.ComComboBox1->Text(), QString());

    dialog.Button1->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Error().startsWith("Не удалось открыть порт")) << Error().toStdString();
    EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortSetupTest, CancelWithThePortOpenKeepsItAndShowsItsName) {
    OpenPortOnPty();
    panel.setText("stale");
    Offer({"COM1", pty.SlavePath()});
    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    Pick(*dialog.ComComboBox1, "COM1");

    dialog.Button2->click();
    ExpectClosedOnThePtyPort(dialog);
}

TEST_F(ComPortSetupTest, CancelWithThePortClosedLeavesNC) {
    port.SetPort("COM1");
    Offer({"COM1", "COM2"});
    TFormCOMPortSetup dialog(port, panel);
    dialog.show();
    Pick(*dialog.ComComboBox1, "COM2");
    dialog.Button2->click();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(panel.text(), "NC");
}

TEST_F(ComPortSetupTest, TheTitleBarsCloseBoxAndEscapeUpdateThePanelToo) {
    OpenPortOnPty();
    Offer({pty.SlavePath()});
    {
        panel.setText("stale");
        TFormCOMPortSetup dialog(port, panel);
        dialog.show();
        EXPECT_TRUE(dialog.close());
        EXPECT_EQ(panel.text().toStdString(), pty.SlavePath());
    }
    {
        panel.setText("stale");
        TFormCOMPortSetup dialog(port, panel);
        dialog.show();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(panel.text().toStdString(), pty.SlavePath());
    }
}

TEST_F(ComPortSetupTest, AnUnreadablePortListIsReportedAndTheCurrentPortStillShown) {
    SetComPortLister([](std::vector<std::string>&) { throw EComPort(CError_RegError, 13); });
    port.SetPort("COM2");
    TFormCOMPortSetup dialog(port, panel);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(Error().startsWith("Не удалось прочитать список последовательных портов"))
        << Error().toStdString();
    EXPECT_EQ(ItemsOf(*dialog.ComComboBox1), QStringList{"COM2"});
    EXPECT_EQ(dialog.ComComboBox1->Text(), "COM2");
}

// The window is found through its lock and the process's descriptors, which Linux shows.
#ifndef _WIN32
namespace {

// The window's own copy holds the port: another program that wants it is told which one, not "ModemManager".
TEST(BusyPort, APortHeldByTheWindowSaysSo) {
    QTemporaryDir runtime;
    QTemporaryDir folder;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    PseudoTerminal pty;
    TComPort windowPort;
    windowPort.SetPort(pty.SlavePath());
    windowPort.Open();
    TComPort other;
    other.SetPort(pty.SlavePath());
    const auto messageOfOpen = [&] {
        try {
            other.Open();
        } catch (const EComPort& error) {
            return std::string(error.what());
        }
        return std::string("opened");
    };
    const std::string windowHolds = "Порт открыт окном «Программатор голосовых сообщений»: закройте его или "
                                    "выберите другой порт";
    EXPECT_EQ(messageOfOpen().find(windowHolds), std::string::npos);
    {
        const SingleInstance window(SingleInstance::DefaultDirectory(), kApplicationTitle, folder.path());
        ASSERT_TRUE(window.IsFirst());
        EXPECT_NE(messageOfOpen().find(windowHolds), std::string::npos) << messageOfOpen();
    }
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}

} // namespace
#endif
