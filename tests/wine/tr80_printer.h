// The TR-80 receipt printer the installation tests plug in on USB001 (its USB device and its
// printer node, as Windows' USB printing stack makes them), and the names an installation of it
// gives the printer, its driver, keys and service.
#pragma once

#include "tests/wine/machine_view.h"
#include "tests/wine/wine_devices.h"

namespace tr80 {

// Every id carries "TAVROIN" so that nothing else in the prefix is touched; the model segment
// holds the catalog's recognise name TR-80.
const winetest::TestDevice kUsbDevice = {L"USB\\VID_4A7F&PID_0080\\TAVROIN0001", &winetest::kClassUsb, nullptr,
                                         L"USB\\VID_4A7F&PID_0080&REV_0100", L"USB Printing Support",
                                         L"(Standard USB Host Controller)", nullptr};
const winetest::TestDevice kPrinterNode = {
    L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E2A11&0&USB001", &winetest::kClassPrinter,
    L"USB\\VID_4A7F&PID_0080\\TAVROIN0001", L"USBPRINT\\TAVROTR-80_RECEIPTD2F1", L"Tavro TR-80 Receipt", L"Tavro",
    L"Tavro TR-80 (TAVROIN)"};

const wchar_t kModel[] = L"Tavro TR-80";
const wchar_t kDriver[] = L"Tavro TR-80 Driver";
const wchar_t kCopy1[] = L"Tavro TR-80 (copy 1)";
// The names an installation of the TR-80 may take here.
const wchar_t* const kPrinterNames[] = {L"Tavro TR-80", L"Tavro TR-80 (copy 1)", L"Tavro TR-80 (copy 2)"};
const wchar_t kServiceName[] = L"Mavrin Service";
const wchar_t kPrintersKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kPortsKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

// Plugs the printer in on USB001: "" or what failed.
inline std::string PlugIn() {
  std::string failed = winetest::Register(kUsbDevice);
  if (failed.empty()) failed = winetest::Register(kPrinterNode);
  if (failed.empty() && winetest::AddLocalPort(L"USB001") != 0) failed = "USB001 cannot be added";
  return failed;
}

inline void Unplug() {
  winetest::RemoveIfPresent(kPrinterNode.id);
  winetest::RemoveIfPresent(kUsbDevice.id);
  winetest::DeleteLocalPortIfPresent(L"USB001");
}

// Lets an installer's printer with `driver` be added where its driver registration alone would not
// do: Wine's in-process spooler looks only in this process's environment (RegisterDriverForOwnEnvironment).
inline void LetPrinterBeAdded(const std::wstring& driver = kDriver) {
  if (_wcsicmp(outside::OwnEnvironment(), outside::InstallerEnvironment()) != 0) {
    ASSERT_EQ(outside::RegisterDriverForOwnEnvironment(driver, kModel), 0u) << std::string(driver.begin(), driver.end());
  }
}

// How many printers of ours the spooler lists.
inline int OurPrinters() {
  int n = 0;
  const std::vector<outside::PrinterEntry> printers = outside::Printers();
  for (const wchar_t* name : kPrinterNames) n += outside::FindPrinter(printers, name) != nullptr ? 1 : 0;
  return n;
}

}  // namespace tr80
