#pragma once

// The serial port component: one serial device, its line settings as properties, and blocking
// Read/Write bounded by time-outs that belong to the settings. No Qt here.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "StoreChanged.h"

// Ordinals are fixed: callers pass them as numbers (the transfer code passes 6 and 13).
enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TOperationKind { okWrite, okRead };
enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A set of TComEvent: bit n stands for the event of ordinal n.
using TComEvents = std::uint16_t;
constexpr TComEvents ComEvent(TComEvent event) {
    return static_cast<TComEvents>(1u << event);
}
constexpr TComEvents AllComEvents = 0x3FF;

// Bits per second of a rate other than brCustom.
std::int32_t BaudRateToInt(TBaudRate rate);

// Error codes of EComPort.
enum TComErrorCode : std::int32_t {
    CError_OpenFailed = 1,
    CError_WriteFailed = 2,
    CError_ReadFailed = 3,
    CError_InvalidAsync = 4,
    CError_PurgeFailed = 5,
    CError_AsyncCheck = 6,
    CError_SetStateFailed = 7,
    CError_TimeoutsFailed = 8,
    CError_SetupComFailed = 9,
    CError_ClearComFailed = 10,
    CError_ModemStatFailed = 11,
    CError_EscapeComFailed = 12,
    CError_TransmitFailed = 13,
    CError_ConnChangeProp = 14,
    CError_EnumPortsFailed = 15,
    CError_StoreFailed = 16,
    CError_LoadFailed = 17,
    CError_RegFailed = 18,
    CError_LedStateFailed = 19,
    CError_ThreadCreated = 20,
    CError_WaitFailed = 21,
    CError_HasLink = 22,
    CError_RegError = 23,
};

class EComPort : public std::exception {
public:
    // osErrorCode is the system's error number, -1 when there is none. hint is an optional second
    // line that tells the user what to do about the cause; port names the port the message is about.
    explicit EComPort(std::int32_t errorCode, std::int32_t osErrorCode = -1, const std::string& hint = {},
                      const std::string& port = {});

    const char* what() const noexcept override { return message_.c_str(); }
    std::int32_t ErrorCode() const { return errorCode_; }
    std::int32_t OsErrorCode() const { return osErrorCode_; }

private:
    std::int32_t errorCode_;
    std::int32_t osErrorCode_;
    std::string message_;
};

// What a system error number of EComPort says about the device. Gone: it went away while the port was
// open (unplugged, hung up, a stale handle), so opening the port again may find it back. Missing: no
// device answers to the port's name.
bool ComDeviceGone(std::int32_t osErrorCode);
bool ComDeviceMissing(std::int32_t osErrorCode);

class TCustomComPort;

// The values of the settings groups: what the settings objects keep and the device applies.
struct ComBufferValues {
    std::int32_t inputSize = 1024;
    std::int32_t outputSize = 1024;
};

// The five time-outs in milliseconds, as the device keeps them: all bits set is the largest value.
struct ComTimeoutValues {
    std::uint32_t readInterval = 0xFFFFFFFF;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 100;
    std::uint32_t writeTotalConstant = 1000;
};

struct ComParityValues {
    TParityBits bits = prNone;
    bool check = false;
    bool replace = false;
    char replaceChar = 0;
};

struct ComFlowValues {
    bool outCTSFlow = false;
    bool outDSRFlow = false;
    TDTRFlowControl controlDTR = dtrDisable;
    TRTSFlowControl controlRTS = rtsDisable;
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    bool dsrSensitivity = false;
    bool txContinueOnXoff = false;
    char xonChar = 17;
    char xoffChar = 19;
};

// The four settings objects below belong to a port (or to nobody, as a value to assign from).
// Each setter stores a value that differs from the current one and then has the port re-apply
// the object's group (the group's Changed). A copy carries the values only, never the port.
template <typename Group, typename Values>
class TComSettings {
public:
    TComSettings(const TComSettings& other) : values_(other.values_) {}
    TComSettings& operator=(const TComSettings&) = delete;

protected:
    TComSettings() = default;
    explicit TComSettings(TCustomComPort* port) : port_(port) {}
    ~TComSettings() = default;

    // Takes every value of `other`, re-applying the group once.
    void Assign(const TComSettings& other) {
        values_ = other.values_;
        static_cast<Group*>(this)->Changed();
    }

    template <typename T>
    void Store(T& field, T value) {
        if (StoreChanged(field, value))
            static_cast<Group*>(this)->Changed();
    }

    TCustomComPort* port_ = nullptr;
    Values values_;
};

class TComBuffer : public TComSettings<TComBuffer, ComBufferValues> {
public:
    TComBuffer() = default;

    std::int32_t InputSize() const { return values_.inputSize; }
    std::int32_t OutputSize() const { return values_.outputSize; }
    void SetInputSize(std::int32_t value);
    void SetOutputSize(std::int32_t value);

private:
    friend class TCustomComPort;
    friend TComSettings;
    explicit TComBuffer(TCustomComPort* port) : TComSettings(port) {}
    void StoreSize(std::int32_t& field, std::int32_t value);
    void Changed();
};

// The time-outs in milliseconds; -1 is the largest.
class TComTimeouts : public TComSettings<TComTimeouts, ComTimeoutValues> {
public:
    TComTimeouts() = default;

    std::int32_t ReadInterval() const { return static_cast<std::int32_t>(values_.readInterval); }
    std::int32_t ReadTotalMultiplier() const {
        return static_cast<std::int32_t>(values_.readTotalMultiplier);
    }
    std::int32_t ReadTotalConstant() const { return static_cast<std::int32_t>(values_.readTotalConstant); }
    std::int32_t WriteTotalMultiplier() const {
        return static_cast<std::int32_t>(values_.writeTotalMultiplier);
    }
    std::int32_t WriteTotalConstant() const { return static_cast<std::int32_t>(values_.writeTotalConstant); }
    void SetReadInterval(std::int32_t value);
    void SetReadTotalMultiplier(std::int32_t value);
    void SetReadTotalConstant(std::int32_t value);
    void SetWriteTotalMultiplier(std::int32_t value);
    void SetWriteTotalConstant(std::int32_t value);

private:
    friend class TCustomComPort;
    friend TComSettings;
    explicit TComTimeouts(TCustomComPort* port) : TComSettings(port) {}
    void Changed();
};

class TComParity : public TComSettings<TComParity, ComParityValues> {
public:
    TComParity() = default;

    TParityBits Bits() const { return values_.bits; }
    bool Check() const { return values_.check; }
    bool Replace() const { return values_.replace; }
    char ReplaceChar() const { return values_.replaceChar; }
    void SetBits(TParityBits value);
    void SetCheck(bool value);
    void SetReplace(bool value);
    void SetReplaceChar(char value);

private:
    friend class TCustomComPort;
    friend TComSettings;
    explicit TComParity(TCustomComPort* port) : TComSettings(port) {}
    void Changed();
};

class TComFlowControl : public TComSettings<TComFlowControl, ComFlowValues> {
public:
    TComFlowControl() = default;

    bool OutCTSFlow() const { return values_.outCTSFlow; }
    bool OutDSRFlow() const { return values_.outDSRFlow; }
    TDTRFlowControl ControlDTR() const { return values_.controlDTR; }
    TRTSFlowControl ControlRTS() const { return values_.controlRTS; }
    bool XonXoffOut() const { return values_.xonXoffOut; }
    bool XonXoffIn() const { return values_.xonXoffIn; }
    bool DSRSensitivity() const { return values_.dsrSensitivity; }
    bool TxContinueOnXoff() const { return values_.txContinueOnXoff; }
    char XonChar() const { return values_.xonChar; }
    char XoffChar() const { return values_.xoffChar; }
    // The summary of the fields above; writing it (anything but fcCustom) always re-applies.
    TFlowControl FlowControl() const;

    void SetOutCTSFlow(bool value);
    void SetOutDSRFlow(bool value);
    void SetControlDTR(TDTRFlowControl value);
    void SetControlRTS(TRTSFlowControl value);
    void SetXonXoffOut(bool value);
    void SetXonXoffIn(bool value);
    void SetDSRSensitivity(bool value);
    void SetTxContinueOnXoff(bool value);
    void SetXonChar(char value);
    void SetXoffChar(char value);
    void SetFlowControl(TFlowControl value);

private:
    friend class TCustomComPort;
    friend TComSettings;
    explicit TComFlowControl(TCustomComPort* port) : TComSettings(port) {}
    void Changed();
};

// Told when a port is destroyed, so that a control bound to the port can let go of it in time.
class TComPortFreeNotify {
public:
    virtual void PortDestroyed(TCustomComPort& port) = 0;

protected:
    ~TComPortFreeNotify() = default;
};

class ComDevice;
class TComThread;
struct ComLineSettings;

class TCustomComPort {
public:
    TCustomComPort();
    virtual ~TCustomComPort();
    TCustomComPort(const TCustomComPort&) = delete;
    TCustomComPort& operator=(const TCustomComPort&) = delete;

    // Opens the device and applies every setting; raises EComPort and stays closed on failure. A port
    // whose line failed is closed and opened again (an adapter unplugged and plugged back in).
    void Open();
    void Close();
    bool Connected() const { return connected_; }
    // True once a read, write, purge or line setting failed on the open port: the line hung up or the
    // device went away.
    bool LineFailed() const { return lineFailed_; }
    void SetConnected(bool value);

    // Port names: on Windows the device \\.\NAME; on Linux "COMn" is /dev/ttyS(n-1), a name with "/" is a
    // device path, any other name N is /dev/N.
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& name);

    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    std::int32_t CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(std::int32_t value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits value);
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool value);
    char EventChar() const { return eventChar_; }
    void SetEventChar(char value);
    TComEvents Events() const { return events_; }
    void SetEvents(TComEvents value) { events_ = value; }
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod value);
    TThreadPriority EventThreadPriority() const { return eventThreadPriority_; }
    void SetEventThreadPriority(TThreadPriority value);

    TComBuffer& Buffer() { return buffer_; }
    TComParity& Parity() { return parity_; }
    TComTimeouts& Timeouts() { return timeouts_; }
    TComFlowControl& FlowControl() { return flowControl_; }
    const TComBuffer& Buffer() const { return buffer_; }
    const TComParity& Parity() const { return parity_; }
    const TComTimeouts& Timeouts() const { return timeouts_; }
    const TComFlowControl& FlowControl() const { return flowControl_; }
    // Whole-object assignment: copies every field and re-applies the group once.
    void SetBuffer(const TComBuffer& value);
    void SetParity(const TComParity& value);
    void SetTimeouts(const TComTimeouts& value);
    void SetFlowControl(const TComFlowControl& value);

    // Batches setting changes: the outermost EndUpdate applies all groups at once.
    void BeginUpdate();
    void EndUpdate();

    // Discards the receive queue (input) and the transmit queue (output).
    void ClearBuffer(bool input, bool output);
    // Both return the number of bytes transferred before the count was reached or a time-out ended it.
    std::int32_t Write(const void* buffer, std::int32_t count);
    std::int32_t Read(void* buffer, std::int32_t count);
    // Bytes waiting in the receive queue.
    std::int32_t InputCount();
    // True while an event thread runs (between Open and Close, when Events is not empty).
    bool EventThreadRunning() const { return thread_ != nullptr; }

    // Asks for (or cancels) a PortDestroyed call when this port is destroyed.
    void FreeNotification(TComPortFreeNotify& listener);
    void RemoveFreeNotification(TComPortFreeNotify& listener);

private:
    friend class TComBuffer;
    friend class TComTimeouts;
    friend class TComParity;
    friend class TComFlowControl;
    friend class TComThread;

    bool CanApply() const;
    void ApplyBuffer();
    void ApplyDCB();
    void ApplyTimeouts();
    void SetupComPort();
    ComLineSettings LineSettings() const;
    void ReadModemStatus();
    template <typename T>
    void StoreLineSetting(T& field, T value);
    template <typename Operation>
    auto OnLine(Operation operation);

    std::unique_ptr<TComThread> thread_;
    std::unique_ptr<ComDevice> device_;
    std::int32_t updateCount_ = 0;
    TThreadPriority eventThreadPriority_ = tpNormal;
    bool connected_ = false;
    bool lineFailed_ = false;
    TBaudRate baudRate_ = br9600;
    std::int32_t customBaudRate_ = 9600;
    std::string port_ = "COM1";
    TStopBits stopBits_ = sbOneStopBit;
    TDataBits dataBits_ = dbEight;
    bool discardNull_ = false;
    char eventChar_ = 0;
    TComEvents events_ = AllComEvents;
    TComBuffer buffer_{this};
    TComParity parity_{this};
    TComTimeouts timeouts_{this};
    TComFlowControl flowControl_{this};
    TSyncMethod syncMethod_ = smThreadSync;
    std::vector<TComPortFreeNotify*> freeNotifies_;
};

class TComPort : public TCustomComPort {};

// Replaces list with the serial ports present, sorted without regard to case ("COM10" before "COM2").
// Raises error 23 and leaves list as it was when the system's list can't be read.
void EnumComPorts(std::vector<std::string>& list);

// A port present, with what it is for the user: the adapter's product and maker ("FT232R USB UART
// (FTDI)") or "встроенный порт" (UTF-8).
struct ComPortInfo {
    std::string name; // as EnumComPorts lists it
    std::string description;
    bool usb = false;
    // A link that names the same adapter whichever ttyUSB number it gets ("/dev/serial/by-id/..."),
    // empty where the system keeps none.
    std::string stableLink{};
};

// The ports of EnumComPorts with their descriptions, USB adapters first, each group sorted as there.
void EnumComPortInfo(std::vector<ComPortInfo>& list);
