// The serial device on Windows: the communications API in overlapped mode. The port's time-outs are
// the device's own, so Read and Write are one request each, waited for to its end.

#include "ComDevice.h"

#include <windows.h>

#include "voice/Utf16.h"

#include "ComErrorHint_win.h"
#include "ComPortDevice.h"

namespace {

// A completion signal of one request: manual reset, created set.
class Completion {
public:
    Completion() { overlapped_.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr); }
    ~Completion() {
        if (overlapped_.hEvent != nullptr)
            CloseHandle(overlapped_.hEvent);
    }
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;

    bool Created() const { return overlapped_.hEvent != nullptr; }
    OVERLAPPED* Get() { return &overlapped_; }
    HANDLE Signal() const { return overlapped_.hEvent; }

private:
    OVERLAPPED overlapped_{};
};

DWORD EventMask(TComEvents events) {
    static constexpr DWORD masks[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                                      EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};
    DWORD mask = 0;
    for (int event = evRxChar; event <= evRx80Full; ++event)
        if ((events & ComEvent(static_cast<TComEvent>(event))) != 0)
            mask |= masks[event];
    return mask;
}

} // namespace

struct ComDevice::State {
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE stopEvents = nullptr; // manual reset: a stop before the wait begins is not lost
    std::string portName;

    [[noreturn]] void Fail(std::int32_t code, DWORD error) const {
        throw EComPort(code, static_cast<std::int32_t>(error), ComErrorHint(error, portName), portName);
    }
    DWORD Transfer(bool write, void* buffer, std::int32_t count, std::int32_t errorCode);
    void HandleEvents(DWORD happened);
    COMSTAT Status() const;
};

COMSTAT ComDevice::State::Status() const {
    DWORD errors = 0;
    COMSTAT status{};
    if (ClearCommError(handle, &errors, &status) == 0)
        Fail(CError_ClearComFailed, GetLastError());
    return status;
}

ComDevice::ComDevice(const std::string& portName) : state_(std::make_unique<State>()) {
    State& s = *state_;
    s.portName = portName;
    const std::wstring device = Utf16(ComPortDevice(portName));
    s.handle = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (s.handle == INVALID_HANDLE_VALUE)
        s.Fail(CError_OpenFailed, GetLastError());
    s.stopEvents = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (s.stopEvents == nullptr) {
        const DWORD error = GetLastError();
        CloseHandle(s.handle);
        s.Fail(CError_OpenFailed, error);
    }
}

ComDevice::~ComDevice() {
    State& s = *state_;
    // Nothing of this process is pending any more (Read and Write wait for their ends); the abort is
    // for a request the driver might still hold.
    PurgeComm(s.handle, PURGE_TXABORT | PURGE_RXABORT);
    CloseHandle(s.stopEvents);
    CloseHandle(s.handle);
}

void ComDevice::ApplyBuffer(std::int32_t inputSize, std::int32_t outputSize) {
    State& s = *state_;
    if (SetupComm(s.handle, static_cast<DWORD>(inputSize), static_cast<DWORD>(outputSize)) == 0)
        s.Fail(CError_SetupComFailed, GetLastError());
}

void ComDevice::ApplyLine(const ComLineSettings& line) {
    State& s = *state_;
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    dcb.BaudRate = static_cast<DWORD>(line.bitsPerSecond);
    dcb.fBinary = TRUE;
    dcb.fParity = line.parity.check;
    dcb.fOutxCtsFlow = line.flow.outCTSFlow;
    dcb.fOutxDsrFlow = line.flow.outDSRFlow;
    static constexpr DWORD dtr[] = {DTR_CONTROL_DISABLE, DTR_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE};
    dcb.fDtrControl = dtr[line.flow.controlDTR];
    dcb.fDsrSensitivity = line.flow.dsrSensitivity;
    dcb.fTXContinueOnXoff = line.flow.txContinueOnXoff;
    dcb.fOutX = line.flow.xonXoffOut;
    dcb.fInX = line.flow.xonXoffIn;
    dcb.fErrorChar = line.parity.check && line.parity.replace;
    dcb.fNull = line.discardNull;
    static constexpr DWORD rts[] = {RTS_CONTROL_DISABLE, RTS_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE,
                                    RTS_CONTROL_TOGGLE};
    dcb.fRtsControl = rts[line.flow.controlRTS];
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = static_cast<WORD>(line.xonXoffLimit);
    dcb.XoffLim = static_cast<WORD>(line.xonXoffLimit);
    dcb.ByteSize = static_cast<BYTE>(5 + line.dataBits);
    // The parity and stop-bit enumerations are in the order of the DCB's own numbers.
    dcb.Parity = static_cast<BYTE>(line.parity.bits);
    dcb.StopBits = static_cast<BYTE>(line.stopBits);
    dcb.XonChar = line.flow.xonChar;
    dcb.XoffChar = line.flow.xoffChar;
    dcb.ErrorChar = line.parity.replaceChar;
    dcb.EvtChar = line.eventChar;
    if (SetCommState(s.handle, &dcb) == 0)
        s.Fail(CError_SetStateFailed, GetLastError());
}

void ComDevice::ApplyTimeouts(const ComTimeoutValues& timeouts) {
    State& s = *state_;
    COMMTIMEOUTS device{timeouts.readInterval, timeouts.readTotalMultiplier, timeouts.readTotalConstant,
                        timeouts.writeTotalMultiplier, timeouts.writeTotalConstant};
    if (SetCommTimeouts(s.handle, &device) == 0)
        s.Fail(CError_TimeoutsFailed, GetLastError());
    timeouts_ = timeouts;
}

// One read or write, started and then waited for without a limit of its own: the device's time-outs end it.
DWORD ComDevice::State::Transfer(bool write, void* buffer, std::int32_t count, std::int32_t errorCode) {
    Completion completion;
    if (!completion.Created())
        Fail(errorCode, GetLastError());
    const BOOL started = write
                             ? WriteFile(handle, buffer, static_cast<DWORD>(count), nullptr, completion.Get())
                             : ReadFile(handle, buffer, static_cast<DWORD>(count), nullptr, completion.Get());
    if (started == 0 && GetLastError() != ERROR_IO_PENDING)
        Fail(errorCode, GetLastError());
    DWORD transferred = 0;
    // Wine reports a request that its time-out ended as failed; Windows, as done with what came.
    if (GetOverlappedResult(handle, completion.Get(), &transferred, TRUE) == 0 &&
        GetLastError() != ERROR_TIMEOUT)
        Fail(errorCode, GetLastError());
    return transferred;
}

std::int32_t ComDevice::Read(void* buffer, std::int32_t count) {
    if (count <= 0)
        return 0;
    return static_cast<std::int32_t>(state_->Transfer(false, buffer, count, CError_ReadFailed));
}

std::int32_t ComDevice::Write(const void* buffer, std::int32_t count) {
    if (count <= 0)
        return 0;
    return static_cast<std::int32_t>(
        state_->Transfer(true, const_cast<void*>(buffer), count, CError_WriteFailed));
}

void ComDevice::Purge(bool input, bool output) {
    State& s = *state_;
    // Nothing left to discard once the driver has sent every written byte. Wine's port on a
    // pseudo-terminal counts them sent at once, yet a purge drops what the far end has not read yet:
    // a request sent before a retry's purge would be lost although it was sent.
    if (output && s.Status().cbOutQue == 0)
        output = false;
    // Drivers refuse an empty purge as an invalid parameter; nothing to discard is no failure.
    if (!input && !output)
        return;
    const DWORD queues = (input ? PURGE_RXCLEAR : 0) | (output ? PURGE_TXCLEAR : 0);
    if (PurgeComm(s.handle, queues) == 0)
        s.Fail(CError_PurgeFailed, GetLastError());
}

std::int32_t ComDevice::InputCount() {
    return static_cast<std::int32_t>(state_->Status().cbInQue);
}

ComModemLines ComDevice::ModemLines() {
    State& s = *state_;
    DWORD lines = 0;
    if (GetCommModemStatus(s.handle, &lines) == 0) {
        // A device without modem lines (a virtual port) reads them as off, as on Linux.
        const DWORD error = GetLastError();
        if (error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION)
            return {};
        s.Fail(CError_ModemStatFailed, error);
    }
    return {(lines & MS_CTS_ON) != 0, (lines & MS_DSR_ON) != 0, (lines & MS_RLSD_ON) != 0};
}

// With no handlers, received data and line errors only clear the device's error flags, and modem line
// changes only read the lines; nobody is told, so a failing query has no one to reach either.
void ComDevice::State::HandleEvents(DWORD happened) {
    if ((happened & (EV_ERR | EV_RXCHAR)) != 0) {
        DWORD errors = 0;
        COMSTAT status{};
        ClearCommError(handle, &errors, &status);
    }
    if ((happened & (EV_CTS | EV_DSR | EV_RLSD)) != 0) {
        DWORD lines = 0;
        GetCommModemStatus(handle, &lines);
    }
}

void ComDevice::ServeEvents(TComEvents events) {
    State& s = *state_;
    Completion completion;
    if (!completion.Created() || SetCommMask(s.handle, EventMask(events)) == 0) {
        WaitForSingleObject(s.stopEvents, INFINITE);
        return;
    }
    const HANDLE signals[] = {s.stopEvents, completion.Signal()}; // the stop first
    DWORD happened = 0; // written by the driver when a wait completes, so it outlives every wait
    bool pending = false;
    for (;;) {
        if (WaitCommEvent(s.handle, &happened, completion.Get()) == 0 && GetLastError() != ERROR_IO_PENDING) {
            WaitForSingleObject(s.stopEvents, INFINITE); // the device refuses to report events
            break;
        }
        pending = true;
        if (WaitForMultipleObjects(2, signals, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            break;
        pending = false;
        DWORD unused = 0;
        if (GetOverlappedResult(s.handle, completion.Get(), &unused, FALSE) != 0)
            s.HandleEvents(happened);
    }
    // An empty mask ends a pending wait; it must have ended before its completion record goes.
    SetCommMask(s.handle, 0);
    if (pending) {
        DWORD unused = 0;
        GetOverlappedResult(s.handle, completion.Get(), &unused, TRUE);
    }
}

void ComDevice::StopEvents() {
    SetEvent(state_->stopEvents);
}
