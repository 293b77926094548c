#pragma once

// The seam between the port component and the host's serial device interface. One implementation per
// platform (ComDevice_lin.cpp on termios, ComDevice_win.cpp on the Windows communications API); every
// failure is raised as EComPort with the code the port operation calls for.

#include <cstdint>
#include <memory>
#include <string>

#include "CPort.h"

// The whole line state, as the port's line settings group describes it.
// Termios has no equivalent for some of them (DSR flow and sensitivity, parity replacement, the event
// character, the XON/XOFF thresholds); Linux ignores those.
struct ComLineSettings {
    std::int32_t bitsPerSecond = 9600;
    TDataBits dataBits = dbEight;
    TStopBits stopBits = sbOneStopBit;
    ComParityValues parity;
    bool discardNull = false;
    ComFlowValues flow;
    char eventChar = 0;
    std::int32_t xonXoffLimit = 256; // bytes: the input queue size / 4
};

// The modem status lines; a device without them reads them as off.
struct ComModemLines {
    bool cts = false;
    bool dsr = false;
    bool rlsd = false;
};

class ComDevice {
public:
    // Opens the device that portName stands for, for this process alone (error 1).
    explicit ComDevice(const std::string& portName);
    ~ComDevice();
    ComDevice(const ComDevice&) = delete;
    ComDevice& operator=(const ComDevice&) = delete;

    void ApplyBuffer(std::int32_t inputSize, std::int32_t outputSize); // error 9
    void ApplyLine(const ComLineSettings& line);                       // error 7
    void ApplyTimeouts(const ComTimeoutValues& timeouts);              // error 8

    std::int32_t Read(void* buffer, std::int32_t count);        // error 3
    std::int32_t Write(const void* buffer, std::int32_t count); // error 2
    void Purge(bool input, bool output);                        // error 5
    std::int32_t InputCount();                                  // error 10
    ComModemLines ModemLines();                                 // error 11

    // The event thread's work: waits for the given events until StopEvents(), handling each as a port
    // without handlers does (a query of the line state; received data stays queued for Read).
    void ServeEvents(TComEvents events);
    void StopEvents();

private:
    struct State; // the platform's handle and what it must restore on close
    std::unique_ptr<State> state_;
    ComTimeoutValues timeouts_;
};
