#pragma once

#include <gtest/gtest.h>

#include "PseudoTerminal.h"
#include "link/CPort.h"

// A port set up as the main window sets up its own, on the slave side of a pseudo-terminal.
class PtyPortTest : public ::testing::Test {
protected:
    PtyPortTest() {
        port.SetBaudRate(br4800);
        port.SetPort(pty.SlavePath());
        port.Timeouts().SetReadInterval(200);
        port.Timeouts().SetReadTotalMultiplier(5);
        port.Timeouts().SetReadTotalConstant(200);
        port.Timeouts().SetWriteTotalMultiplier(15);
        port.Timeouts().SetWriteTotalConstant(300);
    }

    void OpenPort() {
        port.Open();
        ASSERT_TRUE(pty.WaitForRawSlave());
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
