#pragma once

#include <string>

// The device a port name stands for: "COMn" is /dev/ttyS(n-1), as Linux numbers the PC's serial
// ports; a name with "/" is a device path as it stands; any other name N is /dev/N.
std::string DevicePathOf(const std::string& portName);

// The port name that stands for a tty device named in /sys/class/tty ("ttyS1" is "COM2").
std::string PortNameOf(const std::string& ttyName);
