// The payload's driver modules (this tree's tavrodrv.dll and tavroui.dll, of this program's
// architecture) as a spooler and GDI use them: every entry point found by its plain name, each
// answer the one the Driver Kit documents, and a printer of a driver made of them added through
// Wine's real spooler, which runs inside this process and loads the configuration module for the
// printer's default DEVMODE.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/unique_handle.h"
extern "C" {
#include "payload_programs/printer_driver_ddi.h"
}

#ifndef TAVRO_RENDER_MODULE
#error "TAVRO_RENDER_MODULE and TAVRO_CONFIG_MODULE name the payload's driver modules"
#endif

namespace {

using platform::win32::unique_hmodule;

// A Unix path of the build tree as Wine sees it: drive Z: is the Unix root.
std::wstring WindowsPath(const char* path) {
  std::wstring out = path[0] == '/' ? L"Z:" : L"";
  for (const char* p = path; *p != 0; ++p) out += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
  return out;
}

using DocumentPropertySheetsFn = LONG(WINAPI*)(void*, LPARAM);
using DeviceCapabilitiesFn = DWORD(WINAPI*)(HANDLE, PWSTR, WORD, void*, DEVMODEW*);
using ConvertDevModeFn = BOOL(WINAPI*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);
using PrinterEventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
using DriverEventFn = BOOL(WINAPI*)(DWORD, DWORD, LPBYTE, LPARAM);
using UpgradePrinterFn = BOOL(WINAPI*)(DWORD, LPBYTE);
using DevQueryPrintExFn = BOOL(WINAPI*)(TavroDevQueryPrintInfo*);
using QueryDriverInfoFn = BOOL(WINAPI*)(DWORD, PVOID, DWORD, PDWORD);
using EnableDriverFn = BOOL(WINAPI*)(ULONG, ULONG, TavroDrvEnableData*);
using DisableDriverFn = void(WINAPI*)();

template <typename Fn>
Fn Entry(const unique_hmodule& module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.get(), name)));
}

class ConfigModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryW(WindowsPath(TAVRO_CONFIG_MODULE).c_str()));
    ASSERT_TRUE(module_) << "cannot load " << TAVRO_CONFIG_MODULE << ", error " << GetLastError();
  }
  unique_hmodule module_;
};

TEST_F(ConfigModuleTest, ExportsWhatASpoolerLooksUpByPlainName) {
  for (const char* name : {"DrvDocumentPropertySheets", "DrvDevicePropertySheets", "DrvDeviceCapabilities",
                           "DrvConvertDevMode", "DrvPrinterEvent", "DrvDriverEvent", "DrvUpgradePrinter",
                           "DevQueryPrintEx"}) {
    EXPECT_NE(GetProcAddress(module_.get(), name), nullptr) << name;
  }
}

TEST_F(ConfigModuleTest, DocumentPropertySheetsGivesItsSizeThenItsDevMode) {
  auto sheets = Entry<DocumentPropertySheetsFn>(module_, "DrvDocumentPropertySheets");
  ASSERT_NE(sheets, nullptr);
  wchar_t printer[] = L"Tavro TR-80 with a name longer than a DEVMODE holds";
  TavroDocumentPropertyHeader header = {};
  header.cbSize = sizeof header;
  header.pszPrinterName = printer;
  // The size: the answer and cbOut.
  EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), static_cast<LONG>(sizeof(DEVMODEW)));
  EXPECT_EQ(header.cbOut, sizeof(DEVMODEW));

  // The default DEVMODE, the input's accepted fields merged in.
  DEVMODEW in = {};
  in.dmSize = sizeof in;
  in.dmFields = DM_ORIENTATION | DM_COPIES;
  in.dmOrientation = DMORIENT_LANDSCAPE;
  in.dmCopies = 3;
  DEVMODEW out;
  FillMemory(&out, sizeof out, 0xCC);
  header.pdmIn = &in;
  header.pdmOut = &out;
  header.cbOut = sizeof out;
  header.fMode = DM_IN_BUFFER | DM_OUT_BUFFER;
  EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1);  // CPSUI_OK
  EXPECT_EQ(out.dmSize, sizeof(DEVMODEW));
  EXPECT_EQ(out.dmDriverExtra, 0);
  EXPECT_EQ(out.dmSpecVersion, DM_SPECVERSION);
  EXPECT_EQ(out.dmFields, static_cast<DWORD>(DM_ORIENTATION | DM_COPIES));
  EXPECT_EQ(out.dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(out.dmCopies, 3);
  EXPECT_EQ(std::wstring(out.dmDeviceName), std::wstring(printer).substr(0, CCHDEVICENAME - 1));

  // Without DM_IN_BUFFER the input is ignored; a value out of range is never taken.
  in.dmOrientation = 7;
  header.fMode = DM_IN_BUFFER | DM_OUT_BUFFER;
  EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1);
  EXPECT_EQ(out.dmOrientation, DMORIENT_PORTRAIT);
  header.fMode = DM_OUT_BUFFER;
  EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), 1);
  EXPECT_EQ(out.dmCopies, 1);

  // A buffer too small is refused, and left alone.
  header.cbOut = sizeof(DEVMODEW) - 1;
  out.dmCopies = 9;
  SetLastError(0);
  EXPECT_EQ(sheets(nullptr, reinterpret_cast<LPARAM>(&header)), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(out.dmCopies, 9);
}

TEST_F(ConfigModuleTest, PropertySheetsOfferNoPages) {
  auto document = Entry<DocumentPropertySheetsFn>(module_, "DrvDocumentPropertySheets");
  auto device = Entry<DocumentPropertySheetsFn>(module_, "DrvDevicePropertySheets");
  ASSERT_NE(document, nullptr);
  ASSERT_NE(device, nullptr);
  int sheet_info = 0;  // stands for a PROPSHEETUI_INFO: the driver must not read it
  SetLastError(0);
  EXPECT_EQ(document(&sheet_info, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SetLastError(0);
  EXPECT_EQ(device(&sheet_info, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SetLastError(0);
  EXPECT_EQ(document(nullptr, 0), -1) << "no header";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ConfigModuleTest, DeviceCapabilitiesAnswersWhatItReportsAndGdiErrorElse) {
  auto caps = Entry<DeviceCapabilitiesFn>(module_, "DrvDeviceCapabilities");
  ASSERT_NE(caps, nullptr);
  wchar_t name[] = L"Tavro TR-80";
  EXPECT_EQ(caps(nullptr, name, DC_SIZE, nullptr, nullptr), sizeof(DEVMODEW));
  EXPECT_EQ(caps(nullptr, name, DC_EXTRA, nullptr, nullptr), 0u);
  EXPECT_EQ(caps(nullptr, name, DC_FIELDS, nullptr, nullptr), static_cast<DWORD>(DM_ORIENTATION | DM_COPIES));
  EXPECT_EQ(caps(nullptr, name, DC_VERSION, nullptr, nullptr), static_cast<DWORD>(DM_SPECVERSION));
  EXPECT_EQ(caps(nullptr, name, DC_COPIES, nullptr, nullptr), 1u);
  WORD papers[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
  EXPECT_EQ(caps(nullptr, name, DC_PAPERS, papers, nullptr), 0u);
  EXPECT_EQ(papers[0], 0xAAAA) << "nothing listed, nothing written";
  EXPECT_EQ(caps(nullptr, name, DC_MAXEXTENT, nullptr, nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(caps(nullptr, name, 0x7FFF, nullptr, nullptr), 0xFFFFFFFFu);
}

TEST_F(ConfigModuleTest, ConvertDevModeGivesTheDefaultOrConvertsAndRefusesSmallBuffers) {
  auto convert = Entry<ConvertDevModeFn>(module_, "DrvConvertDevMode");
  ASSERT_NE(convert, nullptr);
  wchar_t name[] = L"Tavro TR-80";
  DEVMODEW out = {};
  LONG size = 10;
  SetLastError(0);
  EXPECT_FALSE(convert(name, nullptr, &out, &size, TAVRO_CDM_DRIVER_DEFAULT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, static_cast<LONG>(sizeof(DEVMODEW)));
  EXPECT_TRUE(convert(name, nullptr, &out, &size, TAVRO_CDM_DRIVER_DEFAULT));
  EXPECT_EQ(out.dmCopies, 1);
  EXPECT_EQ(std::wstring(out.dmDeviceName), name);

  DEVMODEW in = {};
  in.dmSize = sizeof in;
  in.dmFields = DM_COPIES;
  in.dmCopies = 2;
  size = sizeof out;
  EXPECT_TRUE(convert(name, &in, &out, &size, TAVRO_CDM_CONVERT));
  EXPECT_EQ(out.dmCopies, 2);
  EXPECT_EQ(out.dmSize, sizeof(DEVMODEW));
  SetLastError(0);
  EXPECT_FALSE(convert(name, nullptr, &out, &size, TAVRO_CDM_CONVERT)) << "nothing to convert";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(convert(name, &in, &out, &size, 0x40)) << "an unknown mode";
}

TEST_F(ConfigModuleTest, EventsUpgradeAndQueryPrintSucceed) {
  auto printer_event = Entry<PrinterEventFn>(module_, "DrvPrinterEvent");
  auto driver_event = Entry<DriverEventFn>(module_, "DrvDriverEvent");
  auto upgrade = Entry<UpgradePrinterFn>(module_, "DrvUpgradePrinter");
  auto query = Entry<DevQueryPrintExFn>(module_, "DevQueryPrintEx");
  ASSERT_TRUE(printer_event && driver_event && upgrade && query);
  wchar_t name[] = L"Tavro TR-80";
  EXPECT_TRUE(printer_event(name, 3 /* PRINTER_EVENT_INITIALIZE */, 1 /* no UI */, 0));
  EXPECT_TRUE(printer_event(name, 4 /* PRINTER_EVENT_DELETE */, 0, 0));
  EXPECT_TRUE(driver_event(1 /* DRIVER_EVENT_INITIALIZE */, 3, nullptr, 0));
  EXPECT_TRUE(upgrade(1, nullptr));
  TavroDevQueryPrintInfo info = {};
  info.cbSize = sizeof info;
  info.Level = 1;
  info.cchNeeded = 77;
  EXPECT_TRUE(query(&info));
  EXPECT_EQ(info.cchNeeded, 0u) << "no error text";
  EXPECT_FALSE(query(nullptr));
}

TEST(RenderModuleTest, SaysItIsUserModeAndEnablesWithNoFunctions) {
  unique_hmodule module(LoadLibraryW(WindowsPath(TAVRO_RENDER_MODULE).c_str()));
  ASSERT_TRUE(module) << "cannot load " << TAVRO_RENDER_MODULE << ", error " << GetLastError();
  auto query = Entry<QueryDriverInfoFn>(module, "DrvQueryDriverInfo");
  auto enable = Entry<EnableDriverFn>(module, "DrvEnableDriver");
  auto disable = Entry<DisableDriverFn>(module, "DrvDisableDriver");
  ASSERT_TRUE(query && enable && disable);

  DWORD user_mode = 0, needed = 0;
  EXPECT_TRUE(query(TAVRO_DRVQUERY_USERMODE, &user_mode, sizeof user_mode, &needed));
  EXPECT_EQ(user_mode, 1u);
  EXPECT_EQ(needed, sizeof(DWORD));
  SetLastError(0);
  EXPECT_FALSE(query(TAVRO_DRVQUERY_USERMODE, &user_mode, 2, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_FALSE(query(2, &user_mode, sizeof user_mode, &needed)) << "an unknown mode";

  TavroDrvEnableData data = {0xDEAD, 5, reinterpret_cast<TavroDrvFn*>(&data)};
  EXPECT_TRUE(enable(TAVRO_DDI_DRIVER_VERSION_NT5, sizeof data, &data));
  EXPECT_EQ(data.iDriverVersion, TAVRO_DDI_DRIVER_VERSION_NT4);
  EXPECT_EQ(data.c, 0u);
  EXPECT_EQ(data.pdrvfn, nullptr);
  EXPECT_FALSE(enable(0x00010000, sizeof data, &data)) << "an engine older than NT4";
  EXPECT_FALSE(enable(TAVRO_DDI_DRIVER_VERSION_NT5, sizeof data - 1, &data)) << "a record too small";
  disable();
}

// ---- Through the spooler ------------------------------------------------------------------

const wchar_t kPrinter[] = L"Tavro Module Test";
const wchar_t kDriver[] = L"Tavro Module Test Driver";
const wchar_t kRenderFile[] = L"TavroModuleTestDrv.dll";
const wchar_t kConfigFile[] = L"TavroModuleTestUI.dll";
const wchar_t kDataFile[] = L"TavroModuleTestGPC.pcd";

std::wstring OwnDriverDirectory() {
  wchar_t dir[MAX_PATH] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &needed)) return L"";
  return dir;
}

class SpoolerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = OwnDriverDirectory();
    ASSERT_FALSE(dir_.empty()) << GetLastError();
    Remove();
  }
  void TearDown() override { Remove(); }

  void Remove() {
    std::wstring name = kPrinter;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE raw = nullptr;
    if (OpenPrinterW(&name[0], &raw, &defaults)) {
      platform::win32::unique_hprinter printer(raw);
      DeletePrinter(printer.get());
    }
    std::wstring driver = kDriver;
    DeletePrinterDriverW(nullptr, nullptr, &driver[0]);
    for (const wchar_t* file : {kRenderFile, kConfigFile, kDataFile}) {
      DeleteFileW((dir_ + L"\\" + file).c_str());
      DeleteFileW((dir_ + L"\\3\\" + file).c_str());
    }
  }

  std::wstring dir_;
};

TEST_F(SpoolerTest, APrinterOfTheseModulesIsAddedWithTheirDefaultDevMode) {
  ASSERT_TRUE(CopyFileW(WindowsPath(TAVRO_RENDER_MODULE).c_str(), (dir_ + L"\\" + kRenderFile).c_str(), FALSE));
  ASSERT_TRUE(CopyFileW(WindowsPath(TAVRO_CONFIG_MODULE).c_str(), (dir_ + L"\\" + kConfigFile).c_str(), FALSE));
  platform::win32::unique_hfile data(CreateFileW((dir_ + L"\\" + kDataFile).c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(data);
  data.reset();

  std::wstring name = kDriver, render = kRenderFile, config = kConfigFile, gpc = kDataFile;
  DRIVER_INFO_2W driver = {};
  driver.cVersion = 3;
  driver.pName = &name[0];
  driver.pDriverPath = &render[0];
  driver.pDataFile = &gpc[0];
  driver.pConfigFile = &config[0];
  ASSERT_TRUE(AddPrinterDriverW(nullptr, 2, reinterpret_cast<LPBYTE>(&driver))) << GetLastError();

  std::wstring printer_name = kPrinter, port = L"LPT1:", processor = L"WinPrint", type = L"RAW";
  PRINTER_INFO_2W info = {};
  info.pPrinterName = &printer_name[0];
  info.pPortName = &port[0];
  info.pDriverName = &name[0];
  info.pPrintProcessor = &processor[0];
  info.pDatatype = &type[0];
  platform::win32::unique_hprinter printer(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
  ASSERT_TRUE(printer) << "AddPrinterW failed, error " << GetLastError();

  // The spooler asks the configuration module, loaded from the version directory, for the
  // printer's DEVMODE and keeps the module's default.
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), &printer_name[0], nullptr, nullptr, 0),
            static_cast<LONG>(sizeof(DEVMODEW)));
  DEVMODEW dm = {};
  dm.dmSize = sizeof dm;
  EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), &printer_name[0], &dm, nullptr, DM_OUT_BUFFER), 1);
  EXPECT_EQ(dm.dmFields, static_cast<DWORD>(DM_ORIENTATION | DM_COPIES));
  EXPECT_EQ(std::wstring(dm.dmDeviceName), kPrinter);
  EXPECT_EQ(DeviceCapabilitiesW(kPrinter, L"LPT1:", DC_SIZE, nullptr, nullptr), static_cast<int>(sizeof(DEVMODEW)));

  DWORD needed = 0;
  GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
  ASSERT_GT(needed, 0u);
  std::string buffer(needed, '\0');
  ASSERT_TRUE(GetPrinterW(printer.get(), 2, reinterpret_cast<LPBYTE>(&buffer[0]), needed, &needed));
  const PRINTER_INFO_2W* added = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  EXPECT_EQ(std::wstring(added->pDriverName), kDriver);
  ASSERT_NE(added->pDevMode, nullptr) << "the spooler kept no DEVMODE";
  EXPECT_EQ(added->pDevMode->dmFields, static_cast<DWORD>(DM_ORIENTATION | DM_COPIES));
  EXPECT_EQ(added->pDevMode->dmCopies, 1);
}

}  // namespace
