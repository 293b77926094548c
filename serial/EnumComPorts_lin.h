#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "CPort.h"

// EnumComPorts over a given copy of /sys/class/tty (tests point it at a fake tree).
void EnumComPorts(std::vector<std::string>& list, const std::filesystem::path& sysClassTty);
// byIdFolder holds the adapters' stable links (/dev/serial/by-id).
void EnumComPortInfo(std::vector<ComPortInfo>& list, const std::filesystem::path& sysClassTty,
                     const std::filesystem::path& byIdFolder = "/dev/serial/by-id");
