#include "platform/sim/sim_machine.h"

namespace platform::sim {

namespace {

constexpr const wchar_t* kCurrentVersion = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const wchar_t* kProcessorKey = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\";
constexpr const wchar_t* kProcessorName = L"Intel(R) Core(TM) i5-7500 CPU @ 3.40GHz";
constexpr int kProcessors = 4;

void SetEnvironment(SimShell& shell) {
  const wchar_t* vars[][2] = {
      {L"ALLUSERSPROFILE", L"C:\\ProgramData"},
      {L"APPDATA", L"C:\\Users\\Admin\\AppData\\Roaming"},
      {L"CommonProgramFiles", L"C:\\Program Files (x86)\\Common Files"},
      {L"CommonProgramFiles(x86)", L"C:\\Program Files (x86)\\Common Files"},
      {L"CommonProgramW6432", L"C:\\Program Files\\Common Files"},
      {L"COMPUTERNAME", L"TAVRO-PC"},
      {L"ComSpec", L"C:\\Windows\\system32\\cmd.exe"},
      {L"HOMEDRIVE", L"C:"},
      {L"HOMEPATH", L"\\Users\\Admin"},
      {L"LOCALAPPDATA", L"C:\\Users\\Admin\\AppData\\Local"},
      {L"NUMBER_OF_PROCESSORS", L"4"},
      {L"OS", L"Windows_NT"},
      {L"PROCESSOR_ARCHITECTURE", L"x86"},
      {L"PROCESSOR_ARCHITEW6432", L"AMD64"},
      {L"ProgramData", L"C:\\ProgramData"},
      {L"ProgramFiles", L"C:\\Program Files (x86)"},
      {L"ProgramFiles(x86)", L"C:\\Program Files (x86)"},
      {L"ProgramW6432", L"C:\\Program Files"},
      {L"PUBLIC", L"C:\\Users\\Public"},
      {L"SystemDrive", L"C:"},
      {L"SystemRoot", L"C:\\Windows"},
      {L"TEMP", L"C:\\Users\\Admin\\AppData\\Local\\Temp"},
      {L"TMP", L"C:\\Users\\Admin\\AppData\\Local\\Temp"},
      {L"USERNAME", L"Admin"},
      {L"USERPROFILE", L"C:\\Users\\Admin"},
      {L"windir", L"C:\\Windows"},
  };
  for (const auto& var : vars) shell.SetEnvironment(var[0], var[1]);
}

void SetRegistry(SimRegistry& reg) {
  const auto hklm = Hive::kLocalMachine;
  const auto v64 = RegView::k64;
  reg.SetValue(hklm, kCurrentVersion, L"CurrentMajorVersionNumber", v64, RegValue::Dword(10));
  reg.SetValue(hklm, kCurrentVersion, L"CurrentMinorVersionNumber", v64, RegValue::Dword(0));
  reg.SetValue(hklm, kCurrentVersion, L"CurrentBuildNumber", v64, RegValue::Sz(L"19045"));
  reg.SetValue(hklm, kCurrentVersion, L"CurrentBuild", v64, RegValue::Sz(L"19045"));
  reg.SetValue(hklm, kCurrentVersion, L"CurrentVersion", v64, RegValue::Sz(L"6.3"));
  reg.SetValue(hklm, kCurrentVersion, L"UBR", v64, RegValue::Dword(3803));
  reg.SetValue(hklm, kCurrentVersion, L"ProductName", v64, RegValue::Sz(L"Windows 10 Pro"));
  reg.SetValue(hklm, kCurrentVersion, L"EditionID", v64, RegValue::Sz(L"Professional"));
  reg.SetValue(hklm, kCurrentVersion, L"DisplayVersion", v64, RegValue::Sz(L"22H2"));
  reg.SetValue(hklm, kCurrentVersion, L"ReleaseId", v64, RegValue::Sz(L"2009"));
  reg.SetValue(hklm, kCurrentVersion, L"InstallationType", v64, RegValue::Sz(L"Client"));
  reg.SetValue(hklm, kCurrentVersion, L"ProductId", v64, RegValue::Sz(L"00330-80000-00000-AA742"));
  reg.SetValue(hklm, kCurrentVersion, L"RegisteredOwner", v64, RegValue::Sz(L"Admin"));
  reg.SetValue(hklm, kCurrentVersion, L"SystemRoot", v64, RegValue::Sz(L"C:\\Windows"));
  for (int i = 0; i < kProcessors; ++i) {
    std::wstring key = kProcessorKey + std::to_wstring(i);
    reg.SetValue(hklm, key, L"ProcessorNameString", v64, RegValue::Sz(kProcessorName));
    reg.SetValue(hklm, key, L"VendorIdentifier", v64, RegValue::Sz(L"GenuineIntel"));
    reg.SetValue(hklm, key, L"Identifier", v64, RegValue::Sz(L"Intel64 Family 6 Model 158 Stepping 9"));
    reg.SetValue(hklm, key, L"~MHz", v64, RegValue::Dword(3408));
  }
  reg.SetValue(hklm, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid", v64,
               RegValue::Sz(L"6f1c2a7e-3b4d-4c8a-9e21-5d7f0b9a4c13"));
  reg.SetValue(hklm, L"SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", L"ComputerName", v64,
               RegValue::Sz(L"TAVRO-PC"));
  reg.SetValue(hklm, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", L"ACP", v64, RegValue::Sz(L"1252"));
  reg.CreateKey(hklm, L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion", v64);
}

void SetSpooler(SimSpooler& spooler, SimRegistry& reg) {
  spooler.AddMonitor(SimSpooler::kLocalPortMonitor, L"localspl.dll");
  spooler.AddMonitor(SimSpooler::kTcpIpMonitor, L"tcpmon.dll");
  spooler.AddMonitor(SimSpooler::kUsbMonitor, L"usbmon.dll");
  spooler.AddMonitor(L"WSD Port", L"WSDMon.dll");
  for (const wchar_t* port : {L"COM1:", L"COM2:", L"COM3:", L"COM4:"}) {
    reg.Put(Hive::kLocalMachine, SimSpooler::kPortsKey, port, RegView::k64, RegValue::Sz(L"9600,n,8,1"));
  }
  for (const wchar_t* port : {L"FILE:", L"LPT1:", L"LPT2:", L"LPT3:", L"PORTPROMPT:", L"nul:"}) {
    spooler.AddPort(SimSpooler::kLocalPortMonitor, port);
  }
  reg.Put(Hive::kLocalMachine, SimFiles::kSerialCommKey, L"\\Device\\Serial0", RegView::k64, RegValue::Sz(L"COM1"));
}

}  // namespace

SimMachine::SimMachine()
    : codepage_(faults_),
      registry_(faults_, codepage_),
      system_(faults_, codepage_),
      files_(faults_, codepage_, registry_, system_),
      shell_(faults_),
      resources_(faults_),
      devices_(faults_, registry_),
      spooler_(faults_, registry_, files_, system_, codepage_),
      services_(faults_, registry_, files_),
      bluetooth_(faults_, registry_, devices_),
      windows_(faults_) {
  for (const wchar_t* folder : {
           L"C:\\Windows\\Temp", L"C:\\Windows\\System32\\spool\\drivers\\w32x86\\3",
           L"C:\\Windows\\System32\\spool\\drivers\\x64\\3", L"C:\\Windows\\SysWOW64",
           L"C:\\Users\\Admin\\AppData\\Local\\Temp", L"C:\\Users\\Admin\\AppData\\Roaming",
           L"C:\\Users\\Admin\\Documents", L"C:\\Users\\Admin\\Desktop", L"C:\\Users\\Public",
           L"C:\\Program Files\\Common Files", L"C:\\Program Files (x86)\\Common Files", L"C:\\ProgramData"}) {
    files_.MakeFolders(folder);
  }
  shell_.SetSpecialFolder(csidl::kPersonal, L"C:\\Users\\Admin\\Documents");
  shell_.SetSpecialFolder(csidl::kLocalAppData, L"C:\\Users\\Admin\\AppData\\Local");
  shell_.SetSpecialFolder(csidl::kProgramFiles, L"C:\\Program Files (x86)");
  shell_.SetSpecialFolder(csidl_more::kProgramFilesX86, L"C:\\Program Files (x86)");
  shell_.SetSpecialFolder(csidl_more::kAppData, L"C:\\Users\\Admin\\AppData\\Roaming");
  shell_.SetSpecialFolder(csidl_more::kDesktopDirectory, L"C:\\Users\\Admin\\Desktop");
  shell_.SetSpecialFolder(csidl_more::kCommonAppData, L"C:\\ProgramData");
  shell_.SetSpecialFolder(csidl_more::kWindows, L"C:\\Windows");
  shell_.SetSpecialFolder(csidl_more::kSystem, L"C:\\Windows\\SysWOW64");  // as a WOW64 process sees it
  shell_.SetSpecialFolder(csidl_more::kProfile, L"C:\\Users\\Admin");
  SetEnvironment(shell_);
  SetRegistry(registry_);
  SetSpooler(spooler_, registry_);
  services_.AddSystemService(L"Spooler", L"%SystemRoot%\\System32\\spoolsv.exe", true);
  faults_.ResetCalls();
}

SimMachine::~SimMachine() = default;

void SimMachine::MakeX86Windows() {
  NativeSystemInfo native = system_.NativeInfo();
  native.processor_architecture = arch::kX86;
  system_.SetNativeInfo(native);
  system_.SetWow64(false);
  registry_.DeleteTree(Hive::kLocalMachine, L"SOFTWARE\\Wow6432Node", RegView::k64);
  registry_.SetRedirection(false);
  files_.RemoveTree(L"C:\\Program Files (x86)");
  files_.RemoveTree(L"C:\\Windows\\SysWOW64");
  files_.RemoveTree(L"C:\\Windows\\System32\\spool\\drivers\\x64");
  shell_.SetSpecialFolder(csidl::kProgramFiles, L"C:\\Program Files");
  shell_.SetSpecialFolder(csidl_more::kProgramFilesX86, L"");
  shell_.SetSpecialFolder(csidl_more::kSystem, L"C:\\Windows\\System32");
  shell_.SetEnvironment(L"ProgramFiles", L"C:\\Program Files");
  shell_.SetEnvironment(L"CommonProgramFiles", L"C:\\Program Files\\Common Files");
  shell_.SetEnvironment(L"ProgramFiles(x86)", L"");
  shell_.SetEnvironment(L"CommonProgramFiles(x86)", L"");
  shell_.SetEnvironment(L"ProgramW6432", L"");
  shell_.SetEnvironment(L"CommonProgramW6432", L"");
  shell_.SetEnvironment(L"PROCESSOR_ARCHITEW6432", L"");
}

}  // namespace platform::sim
