#pragma once

#include <string>

// True when the device at devicePath is held open by this user's running window program. The window
// marks itself with a lock file whose first line is its process id; the process's open descriptors
// then tell whether it holds the device.
bool WindowHoldsDevice(const std::string& devicePath);
