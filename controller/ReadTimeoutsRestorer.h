#pragma once

#include "serial/CPort.h"

#include <cstdint>

// Puts the port's read time-outs back as they were, whatever happened meanwhile.
class ReadTimeoutsRestorer {
public:
    explicit ReadTimeoutsRestorer(TComTimeouts& timeouts)
        : timeouts_(timeouts), multiplier_(timeouts.ReadTotalMultiplier()),
          constant_(timeouts.ReadTotalConstant()) {}
    ~ReadTimeoutsRestorer() {
        timeouts_.SetReadTotalMultiplier(multiplier_);
        timeouts_.SetReadTotalConstant(constant_);
    }
    ReadTimeoutsRestorer(const ReadTimeoutsRestorer&) = delete;
    ReadTimeoutsRestorer& operator=(const ReadTimeoutsRestorer&) = delete;

private:
    TComTimeouts& timeouts_;
    std::int32_t multiplier_;
    std::int32_t constant_;
};
