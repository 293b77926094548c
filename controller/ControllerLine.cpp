#include "controller/ControllerLine.h"

void SetUpControllerLine(TCustomComPort& port) {
    port.BeginUpdate();
    port.SetBaudRate(br4800);
    port.SetDataBits(dbEight);
    port.SetStopBits(sbOneStopBit);
    port.Parity().SetBits(prNone);
    port.FlowControl().SetOutCTSFlow(false);
    port.FlowControl().SetOutDSRFlow(false);
    port.FlowControl().SetControlDTR(dtrDisable);
    port.FlowControl().SetControlRTS(rtsDisable);
    port.FlowControl().SetXonXoffOut(false);
    port.FlowControl().SetXonXoffIn(false);
    port.Timeouts().SetReadInterval(200);
    port.Timeouts().SetReadTotalMultiplier(5);
    port.Timeouts().SetReadTotalConstant(200);
    port.Timeouts().SetWriteTotalMultiplier(15);
    port.Timeouts().SetWriteTotalConstant(300);
    port.Buffer().SetInputSize(1024);
    port.Buffer().SetOutputSize(1024);
    port.EndUpdate();
}
