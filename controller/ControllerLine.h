#pragma once

#include "serial/CPort.h"

// Sets a closed port up for the controller: 4800 baud to begin with (the protocol switches speeds
// itself), 8 data bits, no parity, one stop bit, no flow control of any kind, DTR and RTS held off,
// and the time-outs every wait of the protocol is measured against (a read of N bytes lasts at most
// 5 x N + 200 ms and ends after a 200 ms gap once data has begun; a write at most 15 x N + 300 ms).
void SetUpControllerLine(TCustomComPort& port);
