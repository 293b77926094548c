#pragma once

#include <string>

// The device a port name opens, as the host names it ("COM1" is /dev/ttyS0 on Linux).
std::string ComPortDevice(const std::string& portName);
