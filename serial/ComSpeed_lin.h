#pragma once

#include <cstdint>

// Sets any speed in bits per second (in and out) on a terminal; returns 0 or the errno.
int SetOtherSpeed(int fd, std::int32_t bitsPerSecond);
// The output speed in bits per second as the kernel holds it, -1 when it can't be read.
std::int32_t ReadOutputSpeed(int fd);
