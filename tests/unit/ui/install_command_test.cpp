// Pressing Install as a user does: each refusal in its language and order, the serial settings
// asked for, and a printer installed end to end on the simulated machine by the real worker
// thread, with the outcome shown and the dialog locked until the worker reports.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
#include "platform/last_error.h"
#include "platform/registry.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "tests/unit/app/app_fixture.h"
#include "ui/install_dlg.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;

constexpr const wchar_t* kConfig = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config\\";
constexpr const wchar_t* kPrinters = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

std::string Shipped(const char* name) {
  std::ifstream in(std::string(TAVRO_SOURCE_DIR) + "/data/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class InstallCommandTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    std::memset(PrinterInfo, 0, sizeof(PrinterInfo));
    std::memset(PaperTable, 0, sizeof(PaperTable));
    std::memset(UsbInfo, 0, sizeof(UsbInfo));
    ClearUsbPortRows();
    ClearAllPorts();
    InstallTarget = {};
    ApplyInstallTextDefaults();
    for (const char* file : {"Modules.json", "PaperSize.json", "DefaultPaper.json"}) {
      std::wstring name(file, file + std::strlen(file));
      machine_.files().PutFile(kConfig + name, Shipped(file));
    }
    // The payload the worker extracts: the driver files of both architectures.
    payload_test::RawArchive archive(8);
    for (const char* file : {"tavrodrv.dll", "tavroui.dll", "tavromon.exe", "tavropop.exe"}) {
      archive.Add(file, std::string("MZ ") + file);
      archive.Add(std::string(file) + ".x64", std::string("MZ x64 ") + file);
    }
    payload_ = archive.Buffer();
    dlg_.m_pBuf = payload_.data();
    dlg_.m_nBufLen = static_cast<int32_t>(payload_.size());
    SetAppLanguageSource(&language_);
  }
  void TearDown() override {
    SetAppLanguageSource(nullptr);
    AppTest::TearDown();
  }

  void PlugInTr80() {
    auto ids = machine_.devices().AddUsbPrinter(L"TavroTR-80", L"USB001", 0x28e9, 0x0289);
    machine_.spooler().AddUsbPort(L"USB001", ids.printer);
  }

  // Runs the dialog with `script` as the user, then lets posted messages arrive until it ends.
  int Run(std::function<void(SimDialog&)> script) {
    machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
      script(d);
      d.PumpUntil([&] { return d.Ended(); }, 20000);
      if (!d.Ended()) d.Click(IDC_INSTALL_CANCEL);
    });
    return dlg_.DoModal();
  }

  std::vector<platform::sim::SimMessageBox> Boxes() { return machine_.windows().MessageBoxes(); }

  bool PrinterKeyHas(const std::wstring& printer, const std::wstring& subkey, const std::wstring& value,
                     platform::RegValue* out) {
    return machine_.registry().QueryValue(platform::Hive::kLocalMachine, kPrinters + printer + L"\\" + subkey,
                                          value, platform::RegView::kDefault, out);
  }

  int language_ = kLanguageEnglish;
  std::vector<uint8_t> payload_;
  CInstallDlg dlg_{machine_};
};

TEST_F(InstallCommandTest, RefusalsComeInOrderInTheUsersLanguage) {
  language_ = kLanguageSimplified;
  PlugInTr80();
  Run([&](SimDialog& d) {
    d.ClickRow(IDC_PORT_LIST, -1);
    d.SelectCombo(IDC_MODEL_COMBO, 0);
    d.Click(wnd::kIdOk);  // neither port nor model: the port comes first
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 0);
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(wnd::kIdOk)) << "a refusal leaves the dialog as it was";
    d.Click(IDC_INSTALL_CANCEL);
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, L"请先选择一个端口");
  EXPECT_EQ(boxes[0].caption, L"打印机驱动安装");
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconError);
  EXPECT_EQ(boxes[1].text, L"您没有选择打印机型号，请先选择打印机型号");
}

TEST_F(InstallCommandTest, AUsbPrinterIsInstalledEndToEndAndTheDialogWaitsForTheWorker) {
  PlugInTr80();
  bool stayed_open = false;
  int result = Run([&](SimDialog& d) {
    ASSERT_EQ(dlg_.SelectedPortText(), L"USB001");
    d.Click(wnd::kIdOk);
    // While the worker runs neither Escape nor the close box may end the dialog.
    d.Close();
    stayed_open = !d.Ended();
    EXPECT_FALSE(d.IsControlEnabled(IDC_INSTALL_CANCEL));
    EXPECT_FALSE(d.IsControlEnabled(IDC_PORT_LIST));
    EXPECT_TRUE(d.IsControlEnabled(IDC_MODEL_COMBO));
  });
  EXPECT_TRUE(stayed_open);
  EXPECT_EQ(result, wnd::kIdOk);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, L"Installation complete.");
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconInformation);

  const std::wstring printer = InstallTarget.PrinterName;
  EXPECT_EQ(printer, PrinterInfo[2].MODEL);
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"USB001");
  EXPECT_EQ(std::wstring(InstallTarget.DriverName), printer + L" Driver");
  platform::RegValue value;
  ASSERT_TRUE(PrinterKeyHas(printer, L"PrinterDriverData", L"CommandType", &value));
  EXPECT_EQ(value.AsDword(), 2u) << "the TR-80 speaks ESC";
  ASSERT_TRUE(PrinterKeyHas(printer, L"DsDriver", L"printMediaReady", &value));
  EXPECT_EQ(value.type, platform::regtype::kMultiSz);
  EXPECT_EQ(dlg_.m_wizard.InstallFolder(), L"C:\\Program Files (x86)\\USB Printer\\" + printer);
  EXPECT_TRUE(app_test::InOrder(LogText(), {"[ENTRY] RetractFileThread",
                                            "[INFO] RetractFileThread - Printer driver installed successfully",
                                            "[ENTRY] CInstallDlg::OnInstallFinished - wParam=1 (Success=TRUE)"}));
}

TEST_F(InstallCommandTest, AFailureShowsTheSystemsTextAndTheLogSaysWhy) {
  language_ = kLanguageTraditional;
  PlugInTr80();
  machine_.faults().Fail("GetPrinterDriverDirectoryW", platform::err::kAccessDenied, 1);
  int result = Run([&](SimDialog& d) { d.Click(wnd::kIdOk); });
  EXPECT_EQ(result, wnd::kIdCancel);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"打印機驅動安裝");
  EXPECT_NE(boxes[0].text.find(L"安裝失敗。\r\n失敗原因："), std::wstring::npos) << "the system has a text for 5";
  EXPECT_NE(boxes[0].text.find(L"(錯誤碼=5)"), std::wstring::npos);
  EXPECT_EQ(boxes[0].flags, wnd::kMbOk | wnd::kMbIconError);
  EXPECT_NE(LogText().find("[ERROR] RetractFileThread - InstallPrinterDriver failed, Error=5"), std::string::npos);
  platform::RegValue value;
  EXPECT_FALSE(PrinterKeyHas(InstallTarget.PrinterName, L"PrinterDriverData", L"CommandType", &value))
      << "no settings after a failure";
}

TEST_F(InstallCommandTest, AModelWithoutPapersSaysSoAndStartsNothing) {
  PlugInTr80();
  machine_.files().Remove(std::wstring(kConfig) + L"PaperSize.json");
  Run([&](SimDialog& d) {
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(wnd::kIdOk));
    d.Click(IDC_INSTALL_CANCEL);
  });
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find(L"PaperSize.json"), std::wstring::npos) << "the box names the file";
  EXPECT_NE(LogText().find("[ERROR] CInstallDlg::OnOK - No paper loaded from"), std::string::npos);
  EXPECT_EQ(LogText().find("RetractFileThread"), std::string::npos);
}

TEST_F(InstallCommandTest, SerialPortAsksForItsSettingsAndCancelStartsNothing) {
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_SERIAL);
    ASSERT_GE(d.ListItemCount(IDC_PORT_LIST), 1);
    d.ClickRow(IDC_PORT_LIST, 0);
    d.SelectCombo(IDC_MODEL_COMBO, 1);
    machine_.windows().Script(IDD_SERIAL_CONFIG, [](SimDialog& serial) {
      EXPECT_EQ(serial.GetCaption(), L"Serial Port Config - COM1");
      serial.Click(wnd::kIdCancel);
    });
    d.Click(wnd::kIdOk);
    EXPECT_TRUE(d.IsControlEnabled(IDC_INSTALL_CANCEL)) << "cancelling the settings leaves every control enabled";
    EXPECT_TRUE(d.IsControlEnabled(IDC_PORT_LIST));

    machine_.windows().Script(IDD_SERIAL_CONFIG, [](SimDialog& serial) {
      serial.SelectCombo(IDC_BAUD_COMBO, 9);
      serial.Click(wnd::kIdOk);
    });
    d.Click(wnd::kIdOk);
  });
  EXPECT_EQ(std::wstring(InstallTarget.PortName), L"COM1:");
  platform::RegValue value;
  ASSERT_TRUE(machine_.registry().QueryValue(platform::Hive::kLocalMachine,
                                             L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports", L"COM1:",
                                             platform::RegView::k64, &value));
  EXPECT_EQ(value.AsString(), L"115200,n,8,1,p");
  auto boxes = Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text, L"Installation complete.");
}

}  // namespace
