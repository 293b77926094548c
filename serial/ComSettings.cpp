// The port's settings objects: store a changed value, then have the port re-apply the group.

#include "CPort.h"

void TComBuffer::SetInputSize(std::int32_t value) {
    if (value > 0 && value % 2 == 1)
        --value;
    if (value == inputSize_)
        return;
    inputSize_ = value;
    Changed();
}

void TComBuffer::SetOutputSize(std::int32_t value) {
    if (value > 0 && value % 2 == 1)
        --value;
    if (value == outputSize_)
        return;
    outputSize_ = value;
    Changed();
}

void TComBuffer::Changed() {
    if (port_)
        port_->ApplyBuffer();
}

TComTimeouts::TComTimeouts(const TComTimeouts& other)
    : readInterval_(other.readInterval_), readTotalMultiplier_(other.readTotalMultiplier_),
      readTotalConstant_(other.readTotalConstant_), writeTotalMultiplier_(other.writeTotalMultiplier_),
      writeTotalConstant_(other.writeTotalConstant_) {}

void TComTimeouts::Store(std::int32_t& field, std::int32_t value) {
    if (field == value)
        return;
    field = value;
    if (port_)
        port_->ApplyTimeouts();
}

void TComTimeouts::SetReadInterval(std::int32_t value) {
    Store(readInterval_, value);
}
void TComTimeouts::SetReadTotalMultiplier(std::int32_t value) {
    Store(readTotalMultiplier_, value);
}
void TComTimeouts::SetReadTotalConstant(std::int32_t value) {
    Store(readTotalConstant_, value);
}
void TComTimeouts::SetWriteTotalMultiplier(std::int32_t value) {
    Store(writeTotalMultiplier_, value);
}
void TComTimeouts::SetWriteTotalConstant(std::int32_t value) {
    Store(writeTotalConstant_, value);
}

TComParity::TComParity(const TComParity& other)
    : bits_(other.bits_), check_(other.check_), replace_(other.replace_), replaceChar_(other.replaceChar_) {}

void TComParity::Changed() {
    if (port_)
        port_->ApplyDCB();
}

void TComParity::SetBits(TParityBits value) {
    if (value != bits_) {
        bits_ = value;
        Changed();
    }
}

void TComParity::SetCheck(bool value) {
    if (value != check_) {
        check_ = value;
        Changed();
    }
}

void TComParity::SetReplace(bool value) {
    if (value != replace_) {
        replace_ = value;
        Changed();
    }
}

void TComParity::SetReplaceChar(char value) {
    if (value != replaceChar_) {
        replaceChar_ = value;
        Changed();
    }
}

TComFlowControl::TComFlowControl(const TComFlowControl& other)
    : outCTSFlow_(other.outCTSFlow_), outDSRFlow_(other.outDSRFlow_), controlDTR_(other.controlDTR_),
      controlRTS_(other.controlRTS_), xonXoffOut_(other.xonXoffOut_), xonXoffIn_(other.xonXoffIn_),
      dsrSensitivity_(other.dsrSensitivity_), txContinueOnXoff_(other.txContinueOnXoff_),
      xonChar_(other.xonChar_), xoffChar_(other.xoffChar_) {}

void TComFlowControl::Changed() {
    if (port_)
        port_->ApplyDCB();
}

template <typename T>
void TComFlowControl::Store(T& field, T value) {
    if (field == value)
        return;
    field = value;
    Changed();
}

void TComFlowControl::SetOutCTSFlow(bool value) {
    Store(outCTSFlow_, value);
}
void TComFlowControl::SetOutDSRFlow(bool value) {
    Store(outDSRFlow_, value);
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
    Store(controlDTR_, value);
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
    Store(controlRTS_, value);
}
void TComFlowControl::SetXonXoffOut(bool value) {
    Store(xonXoffOut_, value);
}
void TComFlowControl::SetXonXoffIn(bool value) {
    Store(xonXoffIn_, value);
}
void TComFlowControl::SetDSRSensitivity(bool value) {
    Store(dsrSensitivity_, value);
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
    Store(txContinueOnXoff_, value);
}
void TComFlowControl::SetXonChar(char value) {
    Store(xonChar_, value);
}
void TComFlowControl::SetXoffChar(char value) {
    Store(xoffChar_, value);
}

TFlowControl TComFlowControl::FlowControl() const {
    const bool noXonXoff = !xonXoffIn_ && !xonXoffOut_;
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && noXonXoff)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_)
        return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && noXonXoff)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    if (value != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = false;
        xonXoffIn_ = false;
        xonXoffOut_ = false;
        if (value == fcHardware) {
            controlRTS_ = rtsHandshake;
            outCTSFlow_ = true;
        } else if (value == fcSoftware) {
            xonXoffIn_ = true;
            xonXoffOut_ = true;
        }
    }
    Changed();
}
