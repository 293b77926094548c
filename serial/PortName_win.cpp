#include "ComPortDevice.h"

// Windows opens a port by its own name in the device namespace ("\\.\COM12": names past COM9 need it).
std::string ComPortDevice(const std::string& portName) {
    return "\\\\.\\" + portName;
}
