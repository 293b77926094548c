#pragma once

#include "serial/CPort.h"

#include <cstdint>

// Puts the port's read time-outs back as they were, whatever happened meanwhile. The port keeps them
// even where the device refuses them: it failed, and that failure is already on its way to the caller
// (a destructor that threw while the read's exception unwinds would end the program).
class ReadTimeoutsRestorer {
public:
    explicit ReadTimeoutsRestorer(TComTimeouts& timeouts)
        : timeouts_(timeouts), multiplier_(timeouts.ReadTotalMultiplier()),
          constant_(timeouts.ReadTotalConstant()) {}
    ~ReadTimeoutsRestorer() {
        try {
            timeouts_.SetReadTotalMultiplier(multiplier_);
        } catch (const EComPort&) {
        }
        try {
            timeouts_.SetReadTotalConstant(constant_);
        } catch (const EComPort&) {
        }
    }
    ReadTimeoutsRestorer(const ReadTimeoutsRestorer&) = delete;
    ReadTimeoutsRestorer& operator=(const ReadTimeoutsRestorer&) = delete;

private:
    TComTimeouts& timeouts_;
    std::int32_t multiplier_;
    std::int32_t constant_;
};
