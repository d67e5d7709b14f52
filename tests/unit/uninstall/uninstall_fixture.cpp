#include "tests/unit/uninstall/uninstall_fixture.h"

#include "install/install_target.h"
#include "install/install_texts.h"
#include "install/install_worker.h"
#include "log/log.h"
#include "platform/registry.h"
#include "uninstall/uninstall_log.h"

namespace uninstall_test {

void UninstallTest::SetUp() {
  InstallTest::SetUp();
  ArrangeModel();
  ArrangePort(L"USB Monitor", L"USB001");
  host_.payload = {{L"tavrodrv.dll", "x86 drv"},  {L"tavrodrv.dll.x64", "x64 drv"},
                   {L"tavroui.dll", "x86 ui"},    {L"tavroui.dll.x64", "x64 ui"},
                   {L"tavromon.exe", "x86 mon"},  {L"tavromon.exe.x64", "x64 mon"},
                   {L"tavropop.exe", "x86 pop"},  {L"tavropop.exe.x64", "x64 pop"},
                   {L"Modules.json", "[]"},       {L"Uninstaller.exe", "MZ uninstaller"},
                   {L"TavroPrinterService.exe", "MZ service"}};
}

void UninstallTest::TearDown() {
  InstallTest::TearDown();
  LogSetFileStem("TavroPrintInstall");
}

void UninstallTest::Install(const std::wstring& printer, const std::wstring& port) {
  ArrangeTarget(printer, port);
  InstallTarget.MonitorName[0] = L'\0';  // the install command leaves it to the engine
  host_.folder = Folder(printer);
  sim_.files().MakeFolders(host_.folder);
  host_.usb_port = port.rfind(L"USB", 0) == 0;
  ASSERT_EQ(RetractFileThread(machine_, host_), 0u);
  ASSERT_FALSE(host_.posted.empty());
  ASSERT_TRUE(host_.posted.back().success) << host_.posted.back().code;
}

int UninstallTest::Uninstall(const std::wstring& printer, bool quiet) {
  LogStop();  // the installer's lines into the installer's file
  LogSetFileStem(kUninstallLogStem);
  return RunUninstaller(machine_, Folder(printer), Folder(printer) + L"\\Uninstaller.exe", quiet, ui_);
}

bool UninstallTest::PrinterListed(const std::wstring& printer) {
  for (const std::wstring& name : Printers()) {
    if (name == printer) return true;
  }
  return false;
}

bool UninstallTest::DriverRegistered(const std::wstring& driver, const std::wstring& environment) {
  return KeyExists(L"SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + environment + L"\\Drivers\\Version-3\\" +
                       driver,
                   platform::RegView::k64);
}

bool UninstallTest::KeyExists(const std::wstring& key, platform::RegView view) {
  return sim_.registry().KeyExists(platform::Hive::kLocalMachine, key, view);
}

}  // namespace uninstall_test
