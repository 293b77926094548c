// Reads and writes against a pseudo-terminal: time-outs, hang-ups, purging. Timings allow for a
// loaded machine: nothing ends much earlier than its time-out, and "at once" means well under it.

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "PtyPort.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

struct TimedRead {
    std::int32_t count;
    long long ms;
};

// A read of up to 7 bytes, timed.
TimedRead ReadSeven(TComPort& port) {
    char got[7];
    const auto start = Clock::now();
    const std::int32_t count = port.Read(got, 7);
    return {count, MsSince(start)};
}

} // namespace

TEST_F(PtyPortTest, BytesTravelBothWays) {
    OpenPort();
    const std::string request = "\x12\x01\x02\x03";
    EXPECT_EQ(port.Write(request.data(), 4), 4);
    const std::vector<std::uint8_t> sent = pty.Read(4);
    EXPECT_EQ(std::string(sent.begin(), sent.end()), request);

    std::vector<std::uint8_t> answer(300);
    for (std::size_t i = 0; i < answer.size(); ++i)
        answer[i] = static_cast<std::uint8_t>(i); // every byte value, with CR, LF, XON and XOFF
    ASSERT_TRUE(pty.Write(answer));
    std::vector<std::uint8_t> got(300);
    EXPECT_EQ(port.Read(got.data(), 300), 300);
    EXPECT_EQ(got, answer);
}

TEST_F(PtyPortTest, ASilentReadReturnsNothingAtTheTotalTimeout) {
    OpenPort();
    const TimedRead read = ReadSeven(port);
    EXPECT_EQ(read.count, 0); // 5 x 7 + 200 ms
    EXPECT_GE(read.ms, 230);
    EXPECT_LT(read.ms, 235 + 300);
}

TEST_F(PtyPortTest, AReadEndsAnIntervalAfterTheLastByte) {
    port.Timeouts().SetReadTotalConstant(2000); // the interval, not the total, must end this read
    OpenPort();
    Clock::time_point thirdSent;
    std::thread peer([&] {
        for (char c : std::string("abc")) {
            std::this_thread::sleep_for(milliseconds(100));
            thirdSent = Clock::now();
            pty.Write(&c, 1);
        }
    });
    char got[7] = {};
    const std::int32_t count = port.Read(got, 7);
    const auto end = Clock::now();
    peer.join();
    EXPECT_EQ(count, 3);
    EXPECT_EQ(std::string(got, 3), "abc");
    const long long gap = std::chrono::duration_cast<milliseconds>(end - thirdSent).count();
    EXPECT_GE(gap, 200 - 5);
    EXPECT_LT(gap, 200 + 300);
}

TEST_F(PtyPortTest, ThreeBytesThenSilenceReturnThreeBeforeTheTotalTimeout) {
    OpenPort();
    ASSERT_TRUE(pty.Write("abc", 3));
    const TimedRead read = ReadSeven(port);
    EXPECT_EQ(read.count, 3);
    EXPECT_GE(read.ms, 190);
    EXPECT_LT(read.ms, 235 + 300);
}

TEST_F(PtyPortTest, AReadReturnsAsSoonAsTheCountHasArrived) {
    port.Timeouts().SetReadTotalConstant(3000);
    OpenPort();
    ASSERT_TRUE(pty.Write("1234567", 7));
    const TimedRead read = ReadSeven(port);
    EXPECT_EQ(read.count, 7);
    EXPECT_LT(read.ms, 1000);
}

TEST_F(PtyPortTest, TheDefaultTimeoutsReturnAtOnceWithWhatIsQueued) {
    SKIP_UNDER_WINE("never ends an overlapped read whose interval time-out is MAXDWORD");
    TComTimeouts defaults;
    port.SetTimeouts(defaults);
    EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
    OpenPort();
    const TimedRead empty = ReadSeven(port);
    EXPECT_EQ(empty.count, 0);
    EXPECT_LT(empty.ms, 1000);

    ASSERT_TRUE(pty.Write("xy", 2));
    ASSERT_TRUE(WaitForInput(2));
    const TimedRead queued = ReadSeven(port);
    EXPECT_EQ(queued.count, 2);
    EXPECT_LT(queued.ms, 1000);
}

TEST_F(PtyPortTest, ReadIntervalMinusOneWithATotalWaitsForTheTotal) {
    SKIP_UNDER_WINE("never ends an overlapped read whose interval time-out is MAXDWORD");
    port.Timeouts().SetReadInterval(-1); // the largest interval: only the total ends the read
    OpenPort();
    ASSERT_TRUE(pty.Write("a", 1));
    const TimedRead read = ReadSeven(port);
    EXPECT_EQ(read.count, 1);
    EXPECT_GE(read.ms, 230);
}

TEST_F(PtyPortTest, AHangUpDuringAReadRaisesAtOnce) {
    port.Timeouts().SetReadTotalConstant(5000);
    OpenPort();
    std::thread peer([&] {
        std::this_thread::sleep_for(milliseconds(50));
        pty.HangUp();
    });
    char got[7];
    const auto start = Clock::now();
    const EComPort e = RaisedBy([&] { port.Read(got, 7); });
    peer.join();
    EXPECT_EQ(e.ErrorCode(), 3);
    EXPECT_GT(e.OsErrorCode(), 0);
    EXPECT_LT(MsSince(start), 1000);
    EXPECT_TRUE(port.Connected());
    port.Close();
}

TEST_F(PtyPortTest, AReadAfterAHangUpRaisesInsteadOfSpinning) {
    OpenPort();
    pty.HangUp();
    char got[7];
    EXPECT_EQ(RaisedBy([&] { port.Read(got, 7); }).ErrorCode(), 3);
}

TEST_F(PtyPortTest, AWriteAfterAHangUpRaises) {
    OpenPort();
    pty.HangUp();
    const EComPort e = RaisedBy([&] { port.Write("x", 1); });
    EXPECT_EQ(e.ErrorCode(), 2);
#ifdef _WIN32
    EXPECT_GT(e.OsErrorCode(), 0); // the driver's choice: ERROR_GEN_FAILURE, ERROR_NOT_READY, ...
#else
    EXPECT_EQ(e.OsErrorCode(), EIO);
#endif
    EXPECT_NE(std::string(e.what()).find("прервана"), std::string::npos);
}

TEST_F(PtyPortTest, AWriteEndsAtItsTimeoutWhenThePeerTakesNothing) {
    port.Timeouts().SetWriteTotalMultiplier(0);
    port.Timeouts().SetWriteTotalConstant(200);
    OpenPort();
    std::vector<char> flood(4 << 20, 'x'); // far more than the terminal's queues hold
    const auto start = Clock::now();
    const std::int32_t written = port.Write(flood.data(), static_cast<std::int32_t>(flood.size()));
    const long long elapsed = MsSince(start);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<std::int32_t>(flood.size()));
    EXPECT_GE(elapsed, 190);
    EXPECT_LT(elapsed, 200 + 300);
}

TEST_F(PtyPortTest, ClearBufferDiscardsReceivedBytesOnlyWhenAsked) {
    port.Timeouts().SetReadTotalConstant(50);
    port.Timeouts().SetReadTotalMultiplier(0);
    OpenPort();
    ASSERT_TRUE(pty.Write("keep", 4));
    ASSERT_TRUE(WaitForInput(4));
    port.ClearBuffer(false, false);
    port.ClearBuffer(false, true);
    EXPECT_EQ(port.InputCount(), 4);

    port.ClearBuffer(true, true);
    EXPECT_EQ(port.InputCount(), 0);
    char got[4];
    EXPECT_EQ(port.Read(got, 4), 0);
}

TEST_F(PtyPortTest, APurgeAfterAWriteKeepsWhatTheWriteSent) {
    OpenPort();
    std::string sent;
    for (int i = 0; i < 200; ++i) { // the kernel hands some of them to the far end only after the purge
        const std::string request = "FPRG" + std::to_string(i) + "\r";
        port.Write(request.data(), static_cast<std::int32_t>(request.size()));
        port.ClearBuffer(true, true);
        sent += request;
    }
    const std::vector<std::uint8_t> received = pty.Read(sent.size());
    EXPECT_EQ(std::string(received.begin(), received.end()), sent);
}

TEST_F(PtyPortTest, DiscardNullDropsReceivedZeroBytes) {
    SKIP_UNDER_WINE("ignores the line state's fNull: received NUL bytes are kept");
    port.SetDiscardNull(true);
    port.Timeouts().SetReadTotalConstant(100);
    OpenPort();
    ASSERT_TRUE(pty.Write("a\0b\0\0c", 6));
    char got[6] = {};
    EXPECT_EQ(port.Read(got, 6), 3);
    EXPECT_EQ(std::string(got, 3), "abc");
}
