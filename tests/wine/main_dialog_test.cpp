// The main dialog of the real installer, driven from this process as a user would
// (tests/wine/installer_driver.h): its texts in each language, the catalog's models, a plugged-in
// USB printer chosen by itself, the USB list following device changes, and the port types.
//
// The fixture plugs in a TR-80 receipt printer: a USBPRINT node whose id ends in &USB001 under
// its USB device node (tests/wine/wine_devices.h), and the spooler port USB001 on "Local Port"
// (tests/wine/spooler_ports.h), as the USB printing stack and its port monitor would leave them.
// Devices and ports are removed at the end, and at the start when a run that died left them behind.
//
// MainDialogShots.DISABLED_EachLanguage, run with --gtest_also_run_disabled_tests and
// TAVRO_SHOT_DIR set to a folder, shows the main dialog with that printer in each language and
// waits for a screenshot of each (scripts/screenshots.sh).
#include "tests/wine/installer_driver.h"
#include "tests/wine/spooler_ports.h"
#include "tests/wine/wine_devices.h"
#include "ui/resource.h"

#include <dbt.h>

#include <cjson/cJSON.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

namespace {

using namespace driver;
using winetest::kClassPrinter;
using winetest::kClassUsb;
using winetest::TestDevice;

// Two printers and their USB device nodes; every id carries "TAVROMD" so that nothing else in the
// prefix is touched. The model segments hold the catalog's recognise names TR-80 and TL-241.
const TestDevice kTr80Usb = {L"USB\\VID_4A7F&PID_0080\\TAVROMD0001", &kClassUsb, nullptr,
                             L"USB\\VID_4A7F&PID_0080&REV_0100", L"USB Printing Support",
                             L"(Standard USB Host Controller)", nullptr};
const TestDevice kTr80 = {L"USBPRINT\\TAVROTR-80_RECEIPT\\7&5D1E2A01&0&USB001", &kClassPrinter,
                          L"USB\\VID_4A7F&PID_0080\\TAVROMD0001", L"USBPRINT\\TAVROTR-80_RECEIPTD2F1",
                          L"Tavro TR-80 Receipt", L"Tavro", L"Tavro TR-80 (TAVROMD)"};
const TestDevice kTl241Usb = {L"USB\\VID_4A7F&PID_0241\\TAVROMD0002", &kClassUsb, nullptr,
                              L"USB\\VID_4A7F&PID_0241&REV_0100", L"USB Printing Support",
                              L"(Standard USB Host Controller)", nullptr};
const TestDevice kTl241 = {L"USBPRINT\\TAVROTL-241_LABEL\\7&5D1E2A02&0&USB002", &kClassPrinter,
                           L"USB\\VID_4A7F&PID_0241\\TAVROMD0002", L"USBPRINT\\TAVROTL-241_LABEL77A0",
                           L"Tavro TL-241 Label", L"Tavro", L"Tavro TL-241 (TAVROMD)"};
const TestDevice* const kAllDevices[] = {&kTr80, &kTr80Usb, &kTl241, &kTl241Usb};
const wchar_t* const kAllPorts[] = {L"USB001", L"USB002"};

// The catalog MODEL names the two printers are recognised as.
const wchar_t kTr80Model[] = L"Tavro TR-80";
const wchar_t kTl241Model[] = L"Tavro TL-241";

// What the main dialog shows in one language, and the language dialog's row that chooses it.
struct Language {
  int row;
  int value;
  const char* tag;
  const wchar_t* caption;
  const wchar_t* install;
  const wchar_t* cancel;
  const wchar_t* driver_name;
  const wchar_t* set_default;
  const wchar_t* radios[5];  // USB, serial, LPT, network, Bluetooth
  const wchar_t* please_select;
  const wchar_t* columns[3];
  const wchar_t* online;
};

const Language kLanguages[] = {
    {0, 1, "cn", L"USB打印机驱动安装", L"安装", L"取消", L"驱动名称：", L"设置为默认打印机",
     {L"USB", L"串口", L"并口", L"网口", L"蓝牙"}, L"请选择打印机型号", {L"端口", L"描述", L"状态"}, L"在线"},
    {1, 2, "tw", L"USB打印機驅動安裝", L"安裝", L"取消", L"驅動名稱：", L"設置為默認打印機",
     {L"USB", L"串口", L"並口", L"網口", L"藍牙"}, L"請選擇打印機型號", {L"端口", L"描述", L"狀態"}, L"在线"},
    {2, 0, "en", L"USB printer driver installation Wizard", L"Install", L"Cancel", L"Driver Name:",
     L"Set as default printer", {L"USB", L"Serial", L"LPT", L"Network", L"Bluetooth"}, L"Please select model",
     {L"Port", L"Description", L"Status"}, L"Online"},
};
const Language& kEnglish = kLanguages[2];

const int kRadios[5] = {IDC_RADIO_USB, IDC_RADIO_SERIAL, IDC_RADIO_LPT, IDC_RADIO_NETWORK, IDC_RADIO_BLUETOOTH};

std::wstring Wide(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, utf8, -1, &out[0], n);
  return out;
}

// The MODEL names of the shipped catalog data/Modules.json, in its order.
std::vector<std::wstring> ShippedModels() {
  std::vector<std::wstring> models;
  std::string text = ReadFrom(WindowsPath(TAVRO_SOURCE_DIR "/data/Modules.json"), 0);
  cJSON* root = cJSON_Parse(text.c_str());
  for (int i = 0, n = cJSON_GetArraySize(root); i < n; ++i) {
    const cJSON* model = cJSON_GetObjectItem(cJSON_GetArrayItem(root, i), "MODEL");
    if (cJSON_IsString(model)) models.push_back(Wide(model->valuestring));
  }
  cJSON_Delete(root);
  return models;
}

// The texts of the dialog's own static labels (the add-port link aside).
std::vector<std::wstring> LabelTexts(HWND dialog) {
  std::vector<std::wstring> texts;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassOf(child).c_str(), L"Static") == 0 && GetDlgCtrlID(child) != IDC_ADD_NETWORK_PORT)
      texts.push_back(TextOf(child));
  }
  return texts;
}

std::wstring Row(const wchar_t* port, const wchar_t* model, const wchar_t* status) {
  return std::wstring(port) + L" | " + model + L" | " + status;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> items) {
  std::sort(items.begin(), items.end());
  return items;
}

// The serial ports a user of this prefix has: the MS-DOS devices COM<digit>..., or, when there are
// none, the spooler's COM ports; without their colon.
std::vector<std::wstring> PrefixComPorts() {
  std::vector<std::wstring> ports;
  std::vector<wchar_t> names(65536);
  DWORD got = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()));
  for (const wchar_t* name = names.data(); got > 0 && *name != L'\0'; name += wcslen(name) + 1) {
    if (_wcsnicmp(name, L"COM", 3) == 0 && iswdigit(name[3]) && wcslen(name) + 1 < 32) ports.push_back(name);
  }
  if (!ports.empty()) return ports;
  for (std::wstring port : winetest::SpoolerPorts()) {
    if (_wcsnicmp(port.c_str(), L"COM", 3) != 0) continue;
    if (!port.empty() && port.back() == L':') port.pop_back();
    ports.push_back(port);
  }
  return ports;
}

// The part of `log` from the first `from` on, up to and including the next `to`.
std::string Between(const std::string& log, const std::string& from, const std::string& to) {
  size_t start = log.find(from);
  if (start == std::string::npos) return "";
  size_t end = log.find(to, start);
  return log.substr(start, end == std::string::npos ? std::string::npos : end + to.size() - start);
}

HWND OpenMainDialog(Installer& installer, const Language& language) {
  return driver::OpenMainDialog(installer, language.row);
}

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(RemoveFixtures()) << "cannot remove what a run that died left behind";
    PlugIn(kTr80Usb, kTr80, L"USB001");
    RemoveInstallTextFiles();
    log_ = LogWatch();
  }

  void TearDown() override {
    EXPECT_TRUE(RemoveFixtures()) << "a test device or port stayed in the prefix";
    RemoveInstallTextFiles();
  }

  // Removes every test device and port there is: true when all are gone.
  static bool RemoveFixtures() {
    bool gone = true;
    for (const TestDevice* device : kAllDevices) gone = winetest::RemoveIfPresent(device->id) && gone;
    for (const wchar_t* port : kAllPorts) gone = winetest::DeleteLocalPortIfPresent(port) && gone;
    return gone;
  }

  // A printer plugged in: its USB node, its USBPRINT node and the spooler port it prints to.
  static void PlugIn(const TestDevice& usb, const TestDevice& printer, const wchar_t* port) {
    ASSERT_EQ(winetest::Register(usb), "") << Narrow(usb.id);
    ASSERT_EQ(winetest::Register(printer), "") << Narrow(printer.id);
    ASSERT_EQ(winetest::AddLocalPort(port), 0u) << Narrow(port);
    // Wine's local monitor lists every value of the Ports key, this one as it was added.
    ASSERT_TRUE(winetest::SpoolerHasPort(port)) << Narrow(port) << " is not among the spooler's ports";
  }

  void SendDeviceChange(HWND main, WPARAM event_type) {
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_DEVICECHANGE, event_type, 0, SMTO_NORMAL, kWaitMs, &result))
        << "WM_DEVICECHANGE " << event_type << " was not answered";
  }

  Installer installer_;
  LogWatch log_;
};

class MainDialogLanguageTest : public MainDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(MainDialogLanguageTest, ShowsTheLanguagesTextsTheModelsAndThePluggedInPrinter) {
  const Language& lang = kLanguages[GetParam()];
  HWND main = OpenMainDialog(installer_, lang);
  ASSERT_NE(main, nullptr);

  EXPECT_EQ(TextOf(main), lang.caption);
  EXPECT_EQ(ItemText(main, IDOK), lang.install);
  EXPECT_EQ(ItemText(main, IDC_INSTALL_CANCEL), lang.cancel);
  EXPECT_EQ(LabelTexts(main), std::vector<std::wstring>{lang.driver_name});
  EXPECT_EQ(ItemText(main, IDC_SET_DEFAULT), lang.set_default);
  EXPECT_TRUE(IsChecked(main, IDC_SET_DEFAULT));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ItemText(main, kRadios[i]), lang.radios[i]) << "radio " << kRadios[i];
  EXPECT_TRUE(IsChecked(main, IDC_RADIO_USB));
  for (int i = 1; i < 5; ++i) EXPECT_FALSE(IsChecked(main, kRadios[i])) << "radio " << kRadios[i];
  EXPECT_FALSE(IsShown(main, IDC_RADIO_LPT));
  EXPECT_FALSE(IsShown(main, IDC_ADD_NETWORK_PORT));
  EXPECT_FALSE(IsShown(main, IDC_SCAN_BLE));
  EXPECT_TRUE(IsShown(main, IDC_PORT_LIST));

  // "Please select", then the catalog's models in its order; the printer's model is chosen.
  HWND combo = GetDlgItem(main, IDC_MODEL_COMBO);
  std::vector<std::wstring> expected_models = ShippedModels();
  ASSERT_EQ(expected_models.size(), 6u) << "data/Modules.json";
  expected_models.insert(expected_models.begin(), lang.please_select);
  EXPECT_EQ(ComboItems(combo), expected_models);
  EXPECT_EQ(ComboSelectedText(combo), kTr80Model);

  // Its port, paired with it and selected.
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_TRUE(list.ok());
  for (int c = 0; c < 3; ++c) EXPECT_EQ(list.ColumnText(c), lang.columns[c]) << "column " << c;
  EXPECT_EQ(list.ColumnText(3), L"");
  EXPECT_EQ(list.Rows(), std::vector<std::wstring>{Row(L"USB001", kTr80Model, lang.online)});
  EXPECT_EQ(list.Selected(), 0);

  CancelToExit(installer_, main);
  ExpectInOrder(log_.Since(), {
      "Language selected: " + std::to_string(lang.value),
      "[ENTRY] CInstallDlg::OnInitDialog",
      "[INFO] CInstallDlg::OnInitDialog - Language setting: m_nChinese=" + std::to_string(lang.value),
      "[INFO] OnInitDialog - Calling GetPrinterOnline (first time)",
      "[INFO] GetPrinterOnline - Matching printer found, idx=0, Model=TAVROTR-80_RECEIPT, Name=Tavro TR-80",
      "[EXIT] CInstallDlg::OnInitDialog - returning TRUE",
      "Dialog dismissed with Cancel",
  });
}

INSTANTIATE_TEST_SUITE_P(EachLanguage, MainDialogLanguageTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return std::string(kLanguages[info.param].tag); });

TEST_F(MainDialogTest, DeviceChangesBringPrintersIntoTheUsbListAndTakeThemOut) {
  HWND main = OpenMainDialog(installer_, kEnglish);
  ASSERT_NE(main, nullptr);
  HWND combo = GetDlgItem(main, IDC_MODEL_COMBO);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_TRUE(list.ok());
  ASSERT_EQ(list.Rows(), std::vector<std::wstring>{Row(L"USB001", kTr80Model, L"Online")});

  // A second printer is plugged in.
  ASSERT_NO_FATAL_FAILURE(PlugIn(kTl241Usb, kTl241, L"USB002"));
  SendDeviceChange(main, DBT_DEVNODES_CHANGED);
  std::vector<std::wstring> rows = list.Rows();
  EXPECT_EQ(Sorted(rows), Sorted({Row(L"USB001", kTr80Model, L"Online"), Row(L"USB002", kTl241Model, L"Online")}));
  // The model chosen is the first detected printer's, the one of the list's first row.
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(ComboSelectedText(combo), list.Text(0, 1));

  // The TR-80 is pulled out. An event that is not about devices arriving or leaving changes
  // nothing; the next node change takes its row away.
  ASSERT_TRUE(winetest::RemoveIfPresent(kTr80.id));
  ASSERT_TRUE(winetest::RemoveIfPresent(kTr80Usb.id));
  SendDeviceChange(main, DBT_QUERYCHANGECONFIG);
  EXPECT_EQ(list.Count(), 2);
  SendDeviceChange(main, DBT_DEVNODES_CHANGED);
  EXPECT_EQ(list.Rows(), std::vector<std::wstring>{Row(L"USB002", kTl241Model, L"Online")});
  EXPECT_EQ(ComboSelectedText(combo), kTl241Model);

  CancelToExit(installer_, main);
  const std::string log = log_.Since();
  ExpectInOrder(log, {
      "[ENTRY] CInstallDlg::OnInitDialog",
      "[EXIT] CInstallDlg::OnInitDialog - returning TRUE",
      "[ENTRY] OnDeviceChange - nEventType=7, m_bRefreshing=0",
      "[INFO] OnDeviceChange - Calling RefreshUsbUi",
      "[ENTRY] RefreshUsbUi - m_bRefreshing=0",
      "[INFO] GetPrinterOnline - Matching printer found, idx=1",
      "[EXIT] RefreshUsbUi - m_bRefreshing reset to FALSE",
      "[EXIT] OnDeviceChange",
      "[ENTRY] OnDeviceChange - nEventType=23, m_bRefreshing=0",
      "[EXIT] OnDeviceChange",
      "[ENTRY] OnDeviceChange - nEventType=7, m_bRefreshing=0",
      "[EXIT] RefreshUsbUi - m_bRefreshing reset to FALSE",
      "Dialog dismissed with Cancel",
  });
  EXPECT_EQ(Between(log, "nEventType=23", "[EXIT] OnDeviceChange").find("RefreshUsbUi"), std::string::npos)
      << Between(log, "nEventType=23", "[EXIT] OnDeviceChange");
}

TEST_F(MainDialogTest, PortTypesSwitchTheListTheModelChoiceAndTheNetworkLink) {
  HWND main = OpenMainDialog(installer_, kEnglish);
  ASSERT_NE(main, nullptr);
  HWND combo = GetDlgItem(main, IDC_MODEL_COMBO);
  const int model_count = ComboCount(combo);
  RemoteList list(installer_.process(), GetDlgItem(main, IDC_PORT_LIST));
  ASSERT_TRUE(list.ok());

  // Serial: the prefix's COM ports, without a colon and with empty other columns; the model
  // choice goes back to "please select".
  std::vector<std::wstring> com_ports;
  for (const std::wstring& port : PrefixComPorts()) com_ports.push_back(port + L" |  | ");
  ASSERT_FALSE(com_ports.empty()) << "the prefix has no serial port";
  ClickAndWait(main, IDC_RADIO_SERIAL);
  EXPECT_TRUE(IsChecked(main, IDC_RADIO_SERIAL));
  EXPECT_FALSE(IsChecked(main, IDC_RADIO_USB));
  EXPECT_FALSE(IsShown(main, IDC_ADD_NETWORK_PORT));
  EXPECT_EQ(Sorted(list.Rows()), Sorted(com_ports));
  EXPECT_EQ(list.ColumnText(2), L"Status");
  EXPECT_EQ(ComboSelected(combo), 0);
  EXPECT_EQ(ComboCount(combo), model_count);
  // A device change while Serial is chosen leaves the serial list alone.
  SendDeviceChange(main, DBT_DEVNODES_CHANGED);
  EXPECT_EQ(Sorted(list.Rows()), Sorted(com_ports));

  // Network: the add-port link appears, the status column loses its caption.
  ClickAndWait(main, IDC_RADIO_NETWORK);
  EXPECT_TRUE(IsChecked(main, IDC_RADIO_NETWORK));
  EXPECT_TRUE(IsShown(main, IDC_ADD_NETWORK_PORT));
  EXPECT_EQ(list.ColumnText(2), L"");
  EXPECT_EQ(ComboSelected(combo), 0);

  // Back to USB: the link goes, the printer's row and model come back.
  ClickAndWait(main, IDC_RADIO_USB);
  EXPECT_TRUE(IsChecked(main, IDC_RADIO_USB));
  EXPECT_FALSE(IsShown(main, IDC_ADD_NETWORK_PORT));
  EXPECT_EQ(list.ColumnText(2), L"Status");
  EXPECT_EQ(list.Rows(), std::vector<std::wstring>{Row(L"USB001", kTr80Model, L"Online")});
  EXPECT_EQ(ComboSelectedText(combo), kTr80Model);
  EXPECT_EQ(ComboCount(combo), model_count);

  CancelToExit(installer_, main);
  ExpectInOrder(log_.Since(), {
      "[EXIT] CInstallDlg::OnInitDialog - returning TRUE",
      "[ENTRY] OnDeviceChange - nEventType=7",
      "[INFO] RefreshUsbUi - USB not selected, skipping",
      "[EXIT] OnDeviceChange",
      "[ENTRY] RefreshUsbUi - m_bRefreshing=0",
      "[EXIT] RefreshUsbUi - m_bRefreshing reset to FALSE",
      "Dialog dismissed with Cancel",
  });
}

// For scripts/screenshots.sh: the main dialog with the plugged-in printer, in each language.
class MainDialogShots : public MainDialogTest {};

TEST_F(MainDialogShots, DISABLED_EachLanguage) {
  const std::wstring dir = ShotDir();
  if (dir.empty()) GTEST_SKIP() << "TAVRO_SHOT_DIR is not set";
  for (const Language& lang : kLanguages) {
    SCOPED_TRACE(lang.tag);
    Installer installer;
    HWND main = OpenMainDialog(installer, lang);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(TextOf(main), lang.caption);
    RemoteList list(installer.process(), GetDlgItem(main, IDC_PORT_LIST));
    EXPECT_EQ(list.Rows(), std::vector<std::wstring>{Row(L"USB001", kTr80Model, lang.online)});
    AwaitShot(dir.c_str(), (L"main-" + Wide(lang.tag)).c_str(), main);
    CancelToExit(installer, main);
  }
}

}  // namespace
