// Opening, closing, naming and configuring the port, against a pseudo-terminal.

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "PtyPort.h"

namespace {

// Changes the slave's speed behind the port's back, so a test can tell whether the port touched it.
void SetSlaveSpeedFromMaster(PseudoTerminal& pty, speed_t speed) {
    termios t = pty.SlaveTermios();
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    ASSERT_EQ(tcsetattr(pty.MasterFd(), TCSANOW, &t), 0);
}

// The superuser passes every permission and process-limit check: a forked child that is to meet
// them drops to an ordinary user first.
void BecomeOrdinaryUser() {
    if (geteuid() == 0 && setuid(65534) != 0)
        std::_Exit(99);
}

} // namespace

TEST(ComPortDefaults, AreThoseOfAFreshComponent) {
    TComPort port;
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.Events(), AllComEvents);
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
    EXPECT_EQ(port.Buffer().InputSize(), 1024);
    EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
    EXPECT_EQ(port.FlowControl().XonChar(), 17);
    EXPECT_EQ(port.FlowControl().XoffChar(), 19);
    EXPECT_EQ(static_cast<int>(br4800), 6);
    EXPECT_EQ(static_cast<int>(br115200), 13);
}

TEST_F(PtyPortTest, OpenPutsTheLineInRawModeAtTheChosenSpeed) {
    OpenPort();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(pty.SlaveSpeed(), 4800);
    const termios t = pty.SlaveTermios();
    EXPECT_TRUE(pty.SlaveIsRaw());
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(PtyPortTest, OpenTwiceAndCloseTwiceChangeNothing) {
    OpenPort();
    port.Open(); // a second real open would fail on the port's own lock
    EXPECT_TRUE(port.Connected());
    port.Close();
    port.Close();
    EXPECT_FALSE(port.Connected());
    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
}

TEST_F(PtyPortTest, ASecondOpenerIsRefusedAsBusy) {
    OpenPort();
    TComPort other;
    other.SetPort(pty.SlavePath());
    const EComPort e = RaisedBy([&] { other.Open(); });
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.OsErrorCode(), EBUSY);
    EXPECT_FALSE(other.Connected());
    EXPECT_NE(std::string(e.what()).find("Unable to open com port (win error code: 16)\n"),
              std::string::npos);
    EXPECT_NE(std::string(e.what()).find("занят другой программой"), std::string::npos);

    port.Close(); // released: now the other may have it
    EXPECT_NO_THROW(other.Open());
}

TEST_F(PtyPortTest, AnotherProgramCannotOpenTheDeviceEither) {
    OpenPort();
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
    const auto openAsAnotherProgram = [&] {
        BecomeOrdinaryUser();
        const int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        std::_Exit(fd < 0 ? errno : 0);
    };
    EXPECT_EXIT(openAsAnotherProgram(), ::testing::ExitedWithCode(EBUSY), "");
}

TEST(ComPortOpen, AMissingDeviceFailsWithAHint) {
    TComPort port;
    port.SetPort("/dev/no-such-serial-port");
    const EComPort e = RaisedBy([&] { port.Open(); });
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.OsErrorCode(), ENOENT);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "/dev/no-such-serial-port");
    EXPECT_NE(std::string(e.what()).find("не найдено"), std::string::npos);
}

TEST(ComPortOpen, AFileThatIsNoTerminalIsRefused) {
    TComPort port;
    port.SetPort("/dev/null");
    EXPECT_EQ(RaisedBy([&] { port.Open(); }).OsErrorCode(), ENOTTY);
    EXPECT_FALSE(port.Connected());
}

TEST_F(PtyPortTest, SetPortWithTheCurrentNameLeavesAnOpenPortAlone) {
    OpenPort();
    SetSlaveSpeedFromMaster(pty, B9600);
    port.SetPort(std::string(pty.SlavePath()));
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(pty.SlaveSpeed(), 9600); // not reopened: settings not applied again
}

TEST_F(PtyPortTest, SetPortWithANewNameReopensOnTheNewDevice) {
    OpenPort();
    PseudoTerminal second;
    port.SetPort(second.SlavePath());
    EXPECT_TRUE(port.Connected());
    EXPECT_TRUE(second.WaitForRawSlave());

    TComPort other; // the first device was released
    other.SetPort(pty.SlavePath());
    EXPECT_NO_THROW(other.Open());
}

TEST_F(PtyPortTest, ANameDifferingInCaseIsANewNameAndAFailureLeavesThePortClosed) {
    OpenPort();
    std::string upper = pty.SlavePath();
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(RaisedBy([&] { port.SetPort(upper); }).ErrorCode(), 1);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), upper);
}

TEST_F(PtyPortTest, SetPortOnAClosedPortOnlyStoresTheName) {
    port.SetPort("/dev/no-such-serial-port");
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "/dev/no-such-serial-port");
}

TEST_F(PtyPortTest, ASpeedChangeOnAnOpenPortKeepsQueuedBytes) {
    OpenPort();
    ASSERT_TRUE(pty.Write("FPRG\r", 5));
    port.SetBaudRate(br115200);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(pty.SlaveSpeed(), 115200);
    char got[5] = {};
    EXPECT_EQ(port.Read(got, 5), 5);
    EXPECT_EQ(std::string(got, 5), "FPRG\r");
    port.SetBaudRate(br4800);
    EXPECT_EQ(pty.SlaveSpeed(), 4800);
}

TEST_F(PtyPortTest, ASpeedSetOnAClosedPortTakesEffectAtTheNextOpen) {
    port.SetBaudRate(br115200);
    OpenPort();
    EXPECT_EQ(pty.SlaveSpeed(), 115200);
}

TEST_F(PtyPortTest, StoringTheCurrentValueMakesNoDeviceCall) {
    OpenPort();
    SetSlaveSpeedFromMaster(pty, B9600);
    port.SetBaudRate(br4800);
    port.Parity().SetBits(prNone);
    port.FlowControl().SetControlRTS(rtsDisable);
    EXPECT_EQ(pty.SlaveSpeed(), 9600);
    port.SetStopBits(sbTwoStopBits); // a real change applies the whole line state
    EXPECT_EQ(pty.SlaveSpeed(), 4800);
    EXPECT_NE(pty.SlaveTermios().c_cflag & CSTOPB, 0u);
}

TEST_F(PtyPortTest, LineSettingsReachTheDevice) {
    OpenPort();
    port.Parity().SetBits(prOdd);
    port.SetStopBits(sbTwoStopBits);
    port.FlowControl().SetFlowControl(fcSoftware);
    // A pseudo-terminal always reports 8 bits without parity enable, but keeps the other flags.
    termios t = pty.SlaveTermios();
    EXPECT_EQ(t.c_cflag & (PARODD | CSTOPB), static_cast<tcflag_t>(PARODD | CSTOPB));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    port.FlowControl().SetFlowControl(fcHardware);
    t = pty.SlaveTermios();
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
}

TEST_F(PtyPortTest, ABatchAppliesOnlyWhenTheOutermostEndUpdateCloses) {
    OpenPort();
    port.BeginUpdate();
    port.BeginUpdate();
    port.SetBaudRate(br115200);
    port.SetStopBits(sbTwoStopBits);
    port.EndUpdate();
    EXPECT_EQ(pty.SlaveSpeed(), 4800);
    port.EndUpdate();
    EXPECT_EQ(pty.SlaveSpeed(), 115200);
    EXPECT_NE(pty.SlaveTermios().c_cflag & CSTOPB, 0u);
}

TEST_F(PtyPortTest, WholeObjectAssignmentCopiesEveryFieldAndApplies) {
    OpenPort();
    TComParity parity;
    parity.SetBits(prSpace);
    parity.SetCheck(true);
    port.SetParity(parity);
    EXPECT_EQ(port.Parity().Bits(), prSpace);
    EXPECT_TRUE(port.Parity().Check());
    EXPECT_EQ(pty.SlaveTermios().c_cflag & (CMSPAR | PARODD), static_cast<tcflag_t>(CMSPAR));

    // A copy carries values only: changing it leaves the port alone.
    TComTimeouts copy(port.Timeouts());
    copy.SetReadTotalConstant(1);
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 200);
    port.SetTimeouts(copy);
    EXPECT_EQ(port.Timeouts().ReadTotalConstant(), 1);
    EXPECT_EQ(port.Timeouts().ReadInterval(), 200);
}

TEST(ComSettings, OddQueueSizesAreStoredOneLower) {
    TComPort port;
    port.Buffer().SetInputSize(1025);
    EXPECT_EQ(port.Buffer().InputSize(), 1024);
    port.Buffer().SetInputSize(4097);
    EXPECT_EQ(port.Buffer().InputSize(), 4096);
    port.Buffer().SetOutputSize(513);
    EXPECT_EQ(port.Buffer().OutputSize(), 512);
    port.Buffer().SetInputSize(-3); // only positive values are rounded
    EXPECT_EQ(port.Buffer().InputSize(), -3);
}

TEST(ComSettings, FlowControlSummaryFollowsItsFields) {
    TComFlowControl flow;
    EXPECT_EQ(flow.FlowControl(), fcNone);
    flow.SetFlowControl(fcHardware);
    EXPECT_EQ(flow.ControlRTS(), rtsHandshake);
    EXPECT_TRUE(flow.OutCTSFlow());
    EXPECT_EQ(flow.FlowControl(), fcHardware);
    flow.SetXonXoffIn(true);
    EXPECT_EQ(flow.FlowControl(), fcCustom);
    flow.SetFlowControl(fcSoftware);
    EXPECT_EQ(flow.ControlRTS(), rtsDisable);
    EXPECT_FALSE(flow.OutCTSFlow());
    EXPECT_EQ(flow.FlowControl(), fcSoftware);
    flow.SetControlDTR(dtrEnable);
    flow.SetFlowControl(fcNone);
    EXPECT_EQ(flow.FlowControl(), fcNone);
    EXPECT_EQ(flow.ControlDTR(), dtrEnable); // DTR is not part of the summary
    flow.SetFlowControl(fcCustom);           // changes nothing
    EXPECT_EQ(flow.FlowControl(), fcNone);
}

TEST_F(PtyPortTest, ThreadPropertiesCannotChangeWhileOpen) {
    OpenPort();
    EXPECT_EQ(RaisedBy([&] { port.SetSyncMethod(smNone); }).ErrorCode(), 14);
    EXPECT_EQ(RaisedBy([&] { port.SetEventThreadPriority(tpHigher); }).ErrorCode(), 14);
    port.Close();
    port.SetSyncMethod(smNone);
    EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST_F(PtyPortTest, TheEventThreadLivesFromOpenToCloseAndLeavesReceivedBytesAlone) {
    EXPECT_FALSE(port.EventThreadRunning());
    OpenPort();
    EXPECT_TRUE(port.EventThreadRunning());
    ASSERT_TRUE(pty.Write("abc", 3));
    char got[3] = {};
    EXPECT_EQ(port.Read(got, 3), 3);
    port.Close();
    EXPECT_FALSE(port.EventThreadRunning());

    port.SetEvents(0);
    OpenPort();
    EXPECT_FALSE(port.EventThreadRunning());
}

// The pseudo-terminal keeps its queues while the port is closed, as a serial device does.
TEST_F(PtyPortTest, CloseDiscardsWhatTheLastSessionLeftUnread) {
    port.Timeouts().SetReadTotalConstant(50);
    port.Timeouts().SetReadTotalMultiplier(0);
    OpenPort();
    ASSERT_TRUE(pty.Write("stale", 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(port.InputCount(), 5);
    port.Close();
    port.Open();
    char got[5];
    EXPECT_EQ(port.Read(got, 5), 0);
}

TEST(ComPortClosed, OperationsRaiseTheirCodes) {
    TComPort port;
    char byte = 0;
    EXPECT_EQ(RaisedBy([&] { port.Read(&byte, 1); }).ErrorCode(), 3);
    EXPECT_EQ(RaisedBy([&] { port.Write(&byte, 1); }).ErrorCode(), 2);
    EXPECT_EQ(RaisedBy([&] { port.ClearBuffer(true, true); }).ErrorCode(), 5);
}

TEST(ComPortError, MessagesCarryTheSystemErrorNumberWhenThereIsOne) {
    const EComPort withNumber(7, 22);
    EXPECT_STREQ(withNumber.what(), "SetCommState function failed (win error code: 22)");
    EXPECT_EQ(withNumber.OsErrorCode(), 22);
    const EComPort without(14);
    EXPECT_STREQ(without.what(), "Cannot set property while connected");
    EXPECT_EQ(without.OsErrorCode(), -1);
    EXPECT_STREQ(EComPort(23, 2).what(), "Registry error (win error code: 2)");
}

TEST_F(PtyPortTest, SpeedsWithoutAStandardCodeAreSetExactly) {
    port.SetBaudRate(br56000);
    OpenPort();
    EXPECT_TRUE(port.Connected());
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(250000);
    port.SetBaudRate(br115200); // and back to a standard code
    EXPECT_EQ(pty.SlaveSpeed(), 115200);
}

TEST_F(PtyPortTest, ARefusedLineStateFailsOpenAndReleasesTheDevice) {
    port.SetBaudRate(brCustom);
    port.SetCustomBaudRate(0);
    const EComPort e = RaisedBy([&] { port.Open(); });
    EXPECT_EQ(e.ErrorCode(), 7);
    EXPECT_EQ(e.OsErrorCode(), EINVAL);
    EXPECT_FALSE(port.Connected());
    EXPECT_FALSE(port.EventThreadRunning());

    TComPort other;
    other.SetPort(pty.SlavePath());
    EXPECT_NO_THROW(other.Open());
}

// Without a thread to spare, Open fails like any other open and leaves nothing open behind it.
TEST_F(PtyPortTest, AnEventThreadThatCannotStartFailsOpenAndReleasesTheDevice) {
    ASSERT_EQ(chmod(pty.SlavePath().c_str(), 0666), 0);
    const auto openWithoutThreads = [&] {
        BecomeOrdinaryUser();
        const rlimit none{1, 1};
        if (setrlimit(RLIMIT_NPROC, &none) != 0)
            std::_Exit(99);
        try {
            port.Open();
        } catch (const EComPort& e) {
            TComPort other; // the device was released
            other.SetPort(pty.SlavePath());
            other.SetEvents(0);
            other.Open();
            std::_Exit(port.Connected() ? 98 : e.ErrorCode());
        }
        std::_Exit(97);
    };
    EXPECT_EXIT(openWithoutThreads(), ::testing::ExitedWithCode(CError_OpenFailed), "");
}

TEST_F(PtyPortTest, ARefusedReapplyKeepsTheValueAndThePortOpen) {
    OpenPort();
    port.SetCustomBaudRate(-1); // stored only: brCustom is not in use
    EXPECT_EQ(RaisedBy([&] { port.SetBaudRate(brCustom); }).ErrorCode(), 7);
    EXPECT_EQ(port.BaudRate(), brCustom);
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(pty.SlaveSpeed(), 4800);
    port.SetBaudRate(br115200);
    EXPECT_EQ(pty.SlaveSpeed(), 115200);
}
