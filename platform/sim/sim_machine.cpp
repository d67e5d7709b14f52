#include "platform/sim/sim_machine.h"

namespace platform::sim {

namespace {

constexpr const wchar_t* kCurrentVersion = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const wchar_t* kProcessorName = L"Intel(R) Core(TM) i5-7500 CPU @ 3.40GHz";
constexpr uint32_t kProcessors = 4;

void SetEnvironment(SimShell& shell) {
  const wchar_t* vars[][2] = {
      {L"ALLUSERSPROFILE", L"C:\\ProgramData"},
      {L"APPDATA", L"C:\\Users\\Admin\\AppData\\Roaming"},
      {L"HOMEDRIVE", L"C:"},
      {L"HOMEPATH", L"\\Users\\Admin"},
      {L"LOCALAPPDATA", L"C:\\Users\\Admin\\AppData\\Local"},
      {L"OS", L"Windows_NT"},
      {L"ProgramData", L"C:\\ProgramData"},
      {L"PUBLIC", L"C:\\Users\\Public"},
      {L"SystemDrive", L"C:"},
      {L"TEMP", L"C:\\Users\\Admin\\AppData\\Local\\Temp"},
      {L"TMP", L"C:\\Users\\Admin\\AppData\\Local\\Temp"},
      {L"USERNAME", L"Admin"},
      {L"USERPROFILE", L"C:\\Users\\Admin"},
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
  // The first processor; SetProcessorCount copies it to the others.
  const std::wstring processor = std::wstring(SimSystemInfo::kProcessorsKey) + L"\\0";
  reg.SetValue(hklm, processor, L"ProcessorNameString", v64, RegValue::Sz(kProcessorName));
  reg.SetValue(hklm, processor, L"VendorIdentifier", v64, RegValue::Sz(L"GenuineIntel"));
  reg.SetValue(hklm, processor, L"Identifier", v64, RegValue::Sz(L"Intel64 Family 6 Model 158 Stepping 9"));
  reg.SetValue(hklm, processor, L"~MHz", v64, RegValue::Dword(3408));
  reg.SetValue(hklm, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid", v64,
               RegValue::Sz(L"6f1c2a7e-3b4d-4c8a-9e21-5d7f0b9a4c13"));
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

// The facts every other view follows (environment, shell folders, registry views).
void SetFacts(SimSystemInfo& system, SimCodePage& codepage) {
  codepage.SetAnsiCodePage(1252);
  system.SetComputerName(L"TAVRO-PC");
  system.SetWindowsFolder(L"C:\\Windows");
  system.SetProcessorArchitecture(arch::kX64);
  system.SetProcessorCount(kProcessors);
}

}  // namespace

SimMachine::SimMachine()
    : codepage_(faults_),
      registry_(faults_, codepage_),
      shell_(faults_),
      system_(faults_, codepage_, registry_, shell_),
      files_(faults_, codepage_, registry_, system_),
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
  shell_.SetSpecialFolder(csidl_more::kAppData, L"C:\\Users\\Admin\\AppData\\Roaming");
  shell_.SetSpecialFolder(csidl_more::kDesktopDirectory, L"C:\\Users\\Admin\\Desktop");
  shell_.SetSpecialFolder(csidl_more::kCommonAppData, L"C:\\ProgramData");
  shell_.SetSpecialFolder(csidl_more::kProfile, L"C:\\Users\\Admin");
  SetEnvironment(shell_);
  SetRegistry(registry_);
  SetFacts(system_, codepage_);
  SetSpooler(spooler_, registry_);
  services_.AddSystemService(L"Spooler", L"%SystemRoot%\\System32\\spoolsv.exe", true);
  faults_.ResetCalls();
}

SimMachine::~SimMachine() = default;

void SimMachine::MakeX86Windows() {
  system_.SetProcessorArchitecture(arch::kX86);
  for (const wchar_t* folder : {L"C:\\Program Files (x86)", L"C:\\Windows\\SysWOW64",
                                L"C:\\Windows\\System32\\spool\\drivers\\x64"}) {
    files_.RemoveTree(folder);
  }
}

}  // namespace platform::sim
