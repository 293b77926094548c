#include "CPort.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "ComDevice.h"
#include "ComThread.h"

namespace {

const std::string kNotOpenHint = "Порт не открыт. Выберите порт: «Настройка» → «COM порт...».";

} // namespace

std::int32_t BaudRateToInt(TBaudRate rate) {
    static constexpr std::int32_t rates[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                             14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return rate >= br110 && rate <= br256000 ? rates[rate] : 0;
}

TCustomComPort::TCustomComPort() = default;

TCustomComPort::~TCustomComPort() {
    // Taken out first, so that a listener that cancels its notification meanwhile changes nothing here.
    const std::vector<TComPortFreeNotify*> listeners = std::move(freeNotifies_);
    for (TComPortFreeNotify* listener : listeners)
        listener->PortDestroyed(*this);
    Close();
}

void TCustomComPort::FreeNotification(TComPortFreeNotify& listener) {
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), &listener) == freeNotifies_.end())
        freeNotifies_.push_back(&listener);
}

void TCustomComPort::RemoveFreeNotification(TComPortFreeNotify& listener) {
    std::erase(freeNotifies_, &listener);
}

void TCustomComPort::Open() {
    if (connected_ && !lineFailed_)
        return;
    Close(); // a failed line: the device may be a new one under the same name by now
    device_ = std::make_unique<ComDevice>(port_);
    connected_ = true;
    try {
        SetupComPort();
        if (events_ != 0)
            thread_ = std::make_unique<TComThread>(*device_, events_);
    } catch (const std::system_error& e) {
        // The event thread could not be started: only EComPort may reach the callers.
        device_.reset();
        connected_ = false;
        throw EComPort(CError_OpenFailed, e.code().value(), {}, port_);
    } catch (...) {
        device_.reset();
        connected_ = false;
        throw;
    }
    ReadModemStatus();
}

void TCustomComPort::ReadModemStatus() {
    // Once for each of CTS, DSR and RLSD, as the line-state listeners would be told of them; nobody
    // listens here, but a device that fails the query still fails Open with error 11.
    for (int line = 0; line < 3; ++line)
        device_->ModemLines();
}

void TCustomComPort::Close() {
    if (!connected_)
        return;
    thread_.reset();
    device_.reset();
    connected_ = false;
    lineFailed_ = false;
}

template <typename Operation>
auto TCustomComPort::OnLine(Operation operation) {
    try {
        return operation();
    } catch (const EComPort&) {
        lineFailed_ = true;
        throw;
    }
}

void TCustomComPort::SetConnected(bool value) {
    if (value != connected_)
        value ? Open() : Close();
}

void TCustomComPort::SetPort(const std::string& name) {
    if (name == port_)
        return;
    port_ = name;
    if (connected_) {
        Close();
        Open();
    }
}

template <typename T>
void TCustomComPort::StoreLineSetting(T& field, T value) {
    if (StoreChanged(field, value))
        ApplyDCB();
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
    StoreLineSetting(baudRate_, value);
}
void TCustomComPort::SetCustomBaudRate(std::int32_t value) {
    StoreLineSetting(customBaudRate_, value);
}
void TCustomComPort::SetDataBits(TDataBits value) {
    StoreLineSetting(dataBits_, value);
}
void TCustomComPort::SetStopBits(TStopBits value) {
    StoreLineSetting(stopBits_, value);
}
void TCustomComPort::SetDiscardNull(bool value) {
    StoreLineSetting(discardNull_, value);
}
void TCustomComPort::SetEventChar(char value) {
    StoreLineSetting(eventChar_, value);
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (connected_)
        throw EComPort(CError_ConnChangeProp);
    syncMethod_ = value;
}

void TCustomComPort::SetEventThreadPriority(TThreadPriority value) {
    if (connected_)
        throw EComPort(CError_ConnChangeProp);
    eventThreadPriority_ = value;
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
    buffer_.Assign(value);
}

void TCustomComPort::SetParity(const TComParity& value) {
    parity_.Assign(value);
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
    timeouts_.Assign(value);
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
    flowControl_.Assign(value);
}

void TCustomComPort::BeginUpdate() {
    ++updateCount_;
}

void TCustomComPort::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0 && connected_)
        SetupComPort();
}

bool TCustomComPort::CanApply() const {
    return connected_ && updateCount_ == 0;
}

void TCustomComPort::ApplyBuffer() {
    if (CanApply())
        device_->ApplyBuffer(buffer_.InputSize(), buffer_.OutputSize());
}

void TCustomComPort::ApplyDCB() {
    if (CanApply())
        OnLine([&] { device_->ApplyLine(LineSettings()); });
}

void TCustomComPort::ApplyTimeouts() {
    if (CanApply())
        device_->ApplyTimeouts(timeouts_.values_);
}

void TCustomComPort::SetupComPort() {
    device_->ApplyBuffer(buffer_.InputSize(), buffer_.OutputSize());
    device_->ApplyLine(LineSettings());
    device_->ApplyTimeouts(timeouts_.values_);
}

ComLineSettings TCustomComPort::LineSettings() const {
    ComLineSettings line;
    line.bitsPerSecond = baudRate_ == brCustom ? customBaudRate_ : BaudRateToInt(baudRate_);
    line.dataBits = dataBits_;
    line.stopBits = stopBits_;
    line.parity = parity_.values_;
    line.discardNull = discardNull_;
    line.flow = flowControl_.values_;
    line.eventChar = eventChar_;
    line.xonXoffLimit = buffer_.InputSize() / 4;
    return line;
}

void TCustomComPort::ClearBuffer(bool input, bool output) {
    if (!connected_)
        throw EComPort(CError_PurgeFailed, EBADF, kNotOpenHint, port_);
    OnLine([&] { device_->Purge(input, output); });
}

std::int32_t TCustomComPort::Write(const void* buffer, std::int32_t count) {
    if (!connected_)
        throw EComPort(CError_WriteFailed, EBADF, kNotOpenHint, port_);
    return OnLine([&] { return device_->Write(buffer, count); });
}

std::int32_t TCustomComPort::Read(void* buffer, std::int32_t count) {
    if (!connected_)
        throw EComPort(CError_ReadFailed, EBADF, kNotOpenHint, port_);
    return OnLine([&] { return device_->Read(buffer, count); });
}

std::int32_t TCustomComPort::InputCount() {
    if (!connected_)
        throw EComPort(CError_ClearComFailed, EBADF, kNotOpenHint, port_);
    return OnLine([&] { return device_->InputCount(); });
}
