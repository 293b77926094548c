#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PseudoTerminal.h"
#include "controller/ControllerLine.h"
#include "serial/CPort.h"

#ifdef _WIN32
#include "Wine.h"
#define SKIP_UNDER_WINE(reason)                                                                              \
    if (RunningUnderWine())                                                                                  \
    GTEST_SKIP() << "Wine " << reason
#else
#define SKIP_UNDER_WINE(reason) static_cast<void>(0)
#endif

// A port set up as the main window sets up its own, on the slave side of a pseudo-terminal.
class PtyPortTest : public ::testing::Test {
protected:
    PtyPortTest() {
        SetUpControllerLine(port);
        port.SetPort(pty.SlavePath());
    }

    void OpenPort() {
        port.Open();
        ASSERT_TRUE(pty.WaitForRawSlave());
    }

    // Waits until count bytes sent from the far end have reached the port's receive queue.
    bool WaitForInput(std::int32_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (port.InputCount() < count) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

    PseudoTerminal pty;
    TComPort port;
};

// Runs a call that must raise EComPort and returns the exception.
template <typename Call>
EComPort RaisedBy(Call call) {
    try {
        call();
    } catch (const EComPort& e) {
        return e;
    }
    ADD_FAILURE() << "no EComPort was raised";
    return EComPort(0);
}
