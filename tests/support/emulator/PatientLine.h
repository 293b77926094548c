#pragma once

#include "serial/CPort.h"

// Read time-outs long enough that an emulator starved by a busy machine still answers within them, so
// that scheduling delays never end a transfer. Tests that are about the time-outs keep the controller
// line's own.
inline void GiveTheEmulatorTime(TCustomComPort& port) {
    port.Timeouts().SetReadTotalMultiplier(100);
    port.Timeouts().SetReadTotalConstant(1000);
}
