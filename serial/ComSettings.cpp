// The port's settings objects: store a changed value, then have the port re-apply the group.

#include "CPort.h"

// The device takes even sizes only.
void TComBuffer::StoreSize(std::int32_t& field, std::int32_t value) {
    if (value > 0 && value % 2 == 1)
        --value;
    Store(field, value);
}

void TComBuffer::SetInputSize(std::int32_t value) {
    StoreSize(values_.inputSize, value);
}
void TComBuffer::SetOutputSize(std::int32_t value) {
    StoreSize(values_.outputSize, value);
}

void TComBuffer::Changed() {
    if (port_)
        port_->ApplyBuffer();
}

void TComTimeouts::SetReadInterval(std::int32_t value) {
    Store(values_.readInterval, static_cast<std::uint32_t>(value));
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) {
    Store(values_.readTotalMultiplier, static_cast<std::uint32_t>(value));
}
void TComTimeouts::SetReadTotalConstant(std::int32_t value) {
    Store(values_.readTotalConstant, static_cast<std::uint32_t>(value));
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
    Store(values_.writeTotalMultiplier, static_cast<std::uint32_t>(value));
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) {
    Store(values_.writeTotalConstant, static_cast<std::uint32_t>(value));
}

void TComTimeouts::Changed() {
    if (port_)
        port_->ApplyTimeouts();
}

void TComParity::Changed() {
    if (port_)
        port_->ApplyDCB();
}

void TComParity::SetBits(TParityBits value) {
    Store(values_.bits, value);
}
void TComParity::SetCheck(bool value) {
    Store(values_.check, value);
}
void TComParity::SetReplace(bool value) {
    Store(values_.replace, value);
}
void TComParity::SetReplaceChar(char value) {
    Store(values_.replaceChar, value);
}

void TComFlowControl::Changed() {
    if (port_)
        port_->ApplyDCB();
}

void TComFlowControl::SetOutCTSFlow(bool value) {
    Store(values_.outCTSFlow, value);
}
void TComFlowControl::SetOutDSRFlow(bool value) {
    Store(values_.outDSRFlow, value);
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
    Store(values_.controlDTR, value);
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
    Store(values_.controlRTS, value);
}
void TComFlowControl::SetXonXoffOut(bool value) {
    Store(values_.xonXoffOut, value);
}
void TComFlowControl::SetXonXoffIn(bool value) {
    Store(values_.xonXoffIn, value);
}
void TComFlowControl::SetDSRSensitivity(bool value) {
    Store(values_.dsrSensitivity, value);
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
    Store(values_.txContinueOnXoff, value);
}
void TComFlowControl::SetXonChar(char value) {
    Store(values_.xonChar, value);
}
void TComFlowControl::SetXoffChar(char value) {
    Store(values_.xoffChar, value);
}

TFlowControl TComFlowControl::FlowControl() const {
    const ComFlowValues& v = values_;
    const bool noXonXoff = !v.xonXoffIn && !v.xonXoffOut;
    if (v.controlRTS == rtsHandshake && v.outCTSFlow && noXonXoff)
        return fcHardware;
    if (v.controlRTS == rtsDisable && !v.outCTSFlow && v.xonXoffIn && v.xonXoffOut)
        return fcSoftware;
    if (v.controlRTS == rtsDisable && !v.outCTSFlow && noXonXoff)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    ComFlowValues& v = values_;
    if (value != fcCustom) {
        v.controlRTS = rtsDisable;
        v.outCTSFlow = false;
        v.xonXoffIn = false;
        v.xonXoffOut = false;
        if (value == fcHardware) {
            v.controlRTS = rtsHandshake;
            v.outCTSFlow = true;
        } else if (value == fcSoftware) {
            v.xonXoffIn = true;
            v.xonXoffOut = true;
        }
    }
    Changed();
}
