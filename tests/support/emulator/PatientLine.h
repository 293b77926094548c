#pragma once

#include "serial/CPort.h"

// A read time-out longer than any delay a loaded machine puts between the two ends of a
// pseudo-terminal: the kernel hands the bytes over on a worker thread, which was seen to wait up to
// 9 s while transfer tests ran beside busy loops. Then no answer comes after the program gave up on
// it, retries happen only where a test asks for them, and the emulator's counts stay exact. Tests that
// are about the time-outs keep the controller line's own.
inline void GiveTheEmulatorTime(TCustomComPort& port) {
    port.Timeouts().SetReadTotalConstant(20000);
}
