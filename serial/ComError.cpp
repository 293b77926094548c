#include "CPort.h"

#include <iterator>

namespace {

const char* TextOf(std::int32_t errorCode) {
    static const char* const texts[] = {
        "Unable to open com port",
        "WriteFile function failed",
        "ReadFile function failed",
        "Invalid Async parameter",
        "PurgeComm function failed",
        "Unable to get async status",
        "SetCommState function failed",
        "SetCommTimeouts failed",
        "SetupComm function failed",
        "ClearCommError function failed",
        "GetCommModemStatus function failed",
        "EscapeCommFunction function failed",
        "TransmitCommChar function failed",
        "Cannot set property while connected",
        "EnumPorts function failed",
        "Failed to store settings",
        "Failed to load settings",
        "Link (un)registration failed",
        "Cannot change led state if ComPort is selected",
        "Cannot wait for event if event thread is created",
        "WaitForEvent method failed",
        "A component is linked to OnRxBuf event",
        "Registry error",
    };
    if (errorCode < 1 || errorCode > static_cast<std::int32_t>(std::size(texts)))
        return "Unknown com port error";
    return texts[errorCode - 1];
}

} // namespace

EComPort::EComPort(std::int32_t errorCode, std::int32_t osErrorCode, const std::string& hint)
    : errorCode_(errorCode), osErrorCode_(osErrorCode), message_(TextOf(errorCode)) {
    if (osErrorCode_ != -1)
        message_ += " (win error code: " + std::to_string(osErrorCode_) + ")";
    if (!hint.empty())
        message_ += "\n" + hint;
}
