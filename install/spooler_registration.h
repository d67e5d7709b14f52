// The spooler registration of the printer: on 64-bit Windows (the installer under WOW64) and on
// 32-bit Windows. Both copy the payload's driver files into the spooler's driver directory and
// the monitor DLLs into the system directory, settle InstallTarget.PortName, register the driver
// and add the printer under a name no printer has, with its four printer data values.
#pragma once

#include <string>

class InstallHost;

namespace platform {
class Machine;
}

// The 64-bit path ("Windows x64" driver, ".x64" payload files). A Bluetooth port the spooler
// does not list yet is added on "Local Port" and awaited (3 x 200 ms). True on success; false
// with the failing call's code as last error when the driver directory, AddPrinterDriverW or
// AddPrinterW fails. `dir` is the install folder text (for the log; files come from the host's
// install folder).
bool InstallPrinterDriver64(platform::Machine& machine, InstallHost& host, const std::wstring& dir);

// The 32-bit path ("Windows NT x86" driver). For a USB port it registers the port monitor and
// the port "<PrinterName>-Port:". Same result contract as InstallPrinterDriver64; `dir` is unused.
bool InstallPrinterDriver32(platform::Machine& machine, InstallHost& host, const std::wstring& dir);
