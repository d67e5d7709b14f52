// The line settings of a COM port, stored where Windows keeps them: a value named after the port
// (with its colon) under HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports, 64-bit view.
#pragma once

#include <string>

namespace platform {
class Registry;
}

// Parity, stop-bit and flow-control indexes, as the settings dialog lists them.
constexpr int kParityEven = 0, kParityOdd = 1, kParityNone = 2, kParityMark = 3, kParitySpace = 4;
constexpr int kStopBitsOne = 0, kStopBitsOneAndHalf = 1, kStopBitsTwo = 2;
constexpr int kFlowXonXoff = 0, kFlowHardware = 1, kFlowNone = 2;

// "baud,parity,data,stop,flow" as the Ports key holds it: 9600,n,8,1,p for the defaults; no flow
// control leaves the last field empty.
std::wstring CommSettingsString(int baud_rate, int data_bits, int parity, int stop_bits, int flow_control);

// Writes the settings string under the Ports key as the value `port` ("COM3:"). Failures are
// logged and otherwise ignored: the port keeps the settings Windows had for it.
void SetCommPort(platform::Registry& registry, const std::wstring& port, int baud_rate, int data_bits,
                 int parity, int stop_bits, int flow_control);
