// The port on the Windows communications API, against the line server's pseudo-terminal through a COM
// port that Wine maps to it: the settings that reach the device, the port list, the errors.

#include "PtyPort.h"

#include <algorithm>
#include <windows.h>

namespace {

TEST_F(PtyPortTest, OpenSetsTheChosenSpeedAndASpeedChangeKeepsQueuedBytes) {
    OpenPort();
    EXPECT_EQ(pty.SlaveSpeed(), 4800);
    ASSERT_TRUE(pty.Write("FPRG\r", 5));
    port.SetBaudRate(br115200);
    EXPECT_EQ(pty.SlaveSpeed(), 115200);
    char got[5] = {};
    EXPECT_EQ(port.Read(got, 5), 5);
    EXPECT_EQ(std::string(got, 5), "FPRG\r");
}

TEST_F(PtyPortTest, ANewNameThatFailsLeavesThePortClosedWithThatName) {
    OpenPort();
    EXPECT_EQ(RaisedBy([&] { port.SetPort("COM99"); }).ErrorCode(), 1);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "COM99");
    port.SetPort(pty.SlavePath());
    EXPECT_FALSE(port.Connected());
    OpenPort();
    EXPECT_TRUE(port.Connected());
}

TEST_F(PtyPortTest, ASecondOpenerIsRefusedAsBusy) {
    SKIP_UNDER_WINE("lets a second opener have a port in use");
    OpenPort();
    TComPort other;
    other.SetPort(pty.SlavePath());
    const EComPort e = RaisedBy([&] { other.Open(); });
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.OsErrorCode(), ERROR_ACCESS_DENIED);
    EXPECT_NE(std::string(e.what()).find("занят другой программой"), std::string::npos);
}

TEST(ComPortOpen, AMissingPortFailsWithAHint) {
    TComPort port;
    port.SetPort("COM99");
    try {
        port.Open();
        FAIL() << "COM99 opened";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 1);
        EXPECT_EQ(e.OsErrorCode(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(std::string(e.what()).rfind("Не удалось открыть порт COM99 [2]\nПорт COM99 не найден.", 0),
                  0U)
            << e.what();
    }
    EXPECT_FALSE(port.Connected());
}

TEST_F(PtyPortTest, ListedPortsIncludeTheLineAndAreSorted) {
    std::vector<std::string> ports{"stale"};
    EnumComPorts(ports);
    EXPECT_NE(std::find(ports.begin(), ports.end(), pty.SlavePath()), ports.end());
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
}

} // namespace
