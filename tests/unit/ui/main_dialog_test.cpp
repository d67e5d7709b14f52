// The main dialog as a user meets it: texts in three languages, the catalog's models, a plugged-in
// printer chosen by itself, the port types switching the list, and the USB list following devices.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "catalog/model_catalog.h"
#include "install/install_target.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "tests/unit/app/app_fixture.h"
#include "text/fixed_field.h"
#include "ui/install_dlg.h"

namespace {

namespace wnd = platform::wnd;
using platform::sim::SimDialog;

constexpr const wchar_t* kCatalog =
    L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config\\Modules.json";

std::string ShippedCatalog() { return tavro_test::ShippedFile("Modules.json"); }

class MainDialogTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    tavro_test::ResetSharedTables();
    machine_.files().PutFile(kCatalog, ShippedCatalog());
    // The dialog reads the catalog from the payload in memory, not back from the disk.
    payload_ = payload_test::RawArchive(1).Add("Modules.json", ShippedCatalog()).Buffer();
    dlg_.m_pBuf = payload_.data();
    dlg_.m_nBufLen = static_cast<int32_t>(payload_.size());
    SetAppLanguageSource(&language_);
  }
  void TearDown() override {
    SetAppLanguageSource(nullptr);
    AppTest::TearDown();
  }

  // A printer of the shipped catalog's model segment on `port`, and the spooler's port for it.
  std::wstring PlugIn(const std::wstring& model_segment, const std::wstring& port) {
    auto ids = machine_.devices().AddUsbPrinter(model_segment, port, 0x28e9, 0x0289);
    machine_.spooler().AddUsbPort(port, ids.printer);
    return ids.printer;
  }

  // Runs the dialog; `script` acts as the user and may read the open dialog.
  std::shared_ptr<SimDialog> Run(std::function<void(SimDialog&)> script) {
    machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
      script(d);
      if (!d.Ended()) d.Click(IDC_INSTALL_CANCEL);
    });
    EXPECT_EQ(dlg_.DoModal(), wnd::kIdCancel);
    return machine_.windows().LastDialog(IDD_INSTALL);
  }

  static std::vector<std::wstring> Row(SimDialog& d, int item) {
    return {d.ListItemText(IDC_PORT_LIST, item, 0, 256), d.ListItemText(IDC_PORT_LIST, item, 1, 256),
            d.ListItemText(IDC_PORT_LIST, item, 2, 256)};
  }

  int language_ = kLanguageEnglish;
  std::vector<uint8_t> payload_;
  CInstallDlg dlg_{machine_};
};

TEST_F(MainDialogTest, DetectedPrinterChoosesItsModelAndItsOnlineRow) {
  // The third catalog model, TR-80, plugged in on USB001.
  PlugIn(L"TavroTR-80", L"USB001");
  auto d = Run([&](SimDialog& d) {
    EXPECT_EQ(d.GetCaption(), L"USB printer driver installation Wizard");
    EXPECT_EQ(d.GetText(wnd::kIdOk), L"Install");
    EXPECT_EQ(d.GetText(wnd::kIdStatic), L"Driver Name:");
    EXPECT_EQ(d.GetText(IDC_RADIO_SERIAL), L"Serial");
    std::vector<std::wstring> models = d.ComboItems(IDC_MODEL_COMBO);
    ASSERT_EQ(models.size(), 7u);
    EXPECT_EQ(models[0], L"Please select model");
    EXPECT_EQ(models[3], PrinterInfo[2].MODEL);
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 3);
    EXPECT_EQ(InstallTarget.ModelIndex, 3);

    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    EXPECT_EQ(Row(d, 0), (std::vector<std::wstring>{L"USB001", PrinterInfo[2].MODEL, L"Online"}));
    EXPECT_EQ(d.ListNextItem(IDC_PORT_LIST, -1, wnd::kLvniSelected), 0);
    EXPECT_EQ(d.ListVisibleItem(IDC_PORT_LIST), 0);
    EXPECT_EQ(dlg_.SelectedPortText(), L"USB001");

    EXPECT_TRUE(d.IsChecked(IDC_RADIO_USB));
    EXPECT_TRUE(d.IsChecked(IDC_SET_DEFAULT));
    EXPECT_EQ(dlg_.m_bSetDefault, 1);
    EXPECT_FALSE(d.IsControlVisible(IDC_ADD_NETWORK_PORT));
    EXPECT_FALSE(d.IsControlVisible(IDC_WIZARD_PANEL));
    EXPECT_EQ(dlg_.m_wizard.Page(), 2);
    ASSERT_NE(d.ControlFont(IDC_ADD_NETWORK_PORT), nullptr);
    EXPECT_TRUE(d.ControlFont(IDC_ADD_NETWORK_PORT)->underline);
    EXPECT_EQ(d.ControlFont(IDC_MODEL_COMBO), nullptr) << "the Chinese font only for Chinese";
    EXPECT_EQ(d.ListExtendedStyle(IDC_PORT_LIST), wnd::kLvsExGridLines | wnd::kLvsExFullRowSelect);
    ASSERT_EQ(d.ListColumnCount(IDC_PORT_LIST), 4);
    EXPECT_EQ(d.ListColumnText(IDC_PORT_LIST, 1), L"Description");
    EXPECT_EQ(d.ListColumnWidth(IDC_PORT_LIST, 1), 220);
    EXPECT_EQ(d.ListColumnWidth(IDC_PORT_LIST, 3), 60);
  });
  EXPECT_TRUE(app_test::InOrder(LogText(), {
      "[ENTRY] CInstallDlg::OnInitDialog",
      "Language setting: m_nChinese=0",
      "Local AppData path: C:\\Users\\Admin\\AppData\\Local",
      "[INFO] OnInitDialog - Calling GetPrinterOnline (first time)",
      "[INFO] OnInitDialog - GetPrinterOnline returned, checking UsbInfo",
      "[ENTRY] GetAllPortList",
      "[EXIT] CInstallDlg::OnInitDialog - returning TRUE"}));
}

TEST_F(MainDialogTest, ChineseTextsFontsAndTheInstallerTitle) {
  language_ = kLanguageTraditional;
  Run([&](SimDialog& d) {
    EXPECT_EQ(d.GetCaption(), L"USB打印機驅動安裝");
    EXPECT_EQ(d.GetText(IDC_INSTALL_CANCEL), L"取消");
    EXPECT_EQ(d.GetText(wnd::kIdOk), L"安裝");
    EXPECT_EQ(d.GetText(IDC_RADIO_LPT), L"並口");
    EXPECT_EQ(d.ComboItemText(IDC_MODEL_COMBO, 0), L"請選擇打印機型號");
    EXPECT_EQ(d.ListColumnText(IDC_PORT_LIST, 2), L"狀態");
    const platform::sim::SimFont* font = d.ControlFont(IDC_MODEL_COMBO);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->face, L"宋体");
    EXPECT_EQ(font->height, 12);
    EXPECT_EQ(font->weight, 400);
    EXPECT_EQ(font->charset, 134);
    EXPECT_EQ(d.ControlFont(IDC_INSTALL_CANCEL), font);
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 0) << "nothing plugged in: please select";
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
  });
  language_ = kLanguageSimplified;
  Title = L"Tavro 标签打印机";
  CInstallDlg second(machine_);
  machine_.windows().Script(IDD_INSTALL, [&](SimDialog& d) {
    EXPECT_EQ(d.GetCaption(), L"Tavro 标签打印机");
    EXPECT_EQ(d.GetText(wnd::kIdStatic), L"驱动名称：");
    d.Click(IDC_INSTALL_CANCEL);
  });
  EXPECT_EQ(second.DoModal(), wnd::kIdCancel);
}

TEST_F(MainDialogTest, WithoutLocalAppDataTheCatalogStaysEmptyAndTheDialogUsable) {
  machine_.shell().SetSpecialFolder(platform::csidl::kLocalAppData, L"");
  Run([&](SimDialog& d) {
    EXPECT_EQ(d.ComboItems(IDC_MODEL_COMBO), std::vector<std::wstring>{L"Please select model"});
    EXPECT_TRUE(d.Click(IDC_RADIO_SERIAL));
  });
  EXPECT_NE(LogText().find("[ERROR] CInstallDlg::OnInitDialog - Failed to get Local AppData path"),
            std::string::npos);
}

TEST_F(MainDialogTest, PortTypesSwitchTheListAndResetTheModel) {
  PlugIn(L"TavroTL-241", L"USB001");
  Run([&](SimDialog& d) {
    ASSERT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 1);
    d.Click(IDC_RADIO_SERIAL);
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 0) << "Serial leaves please select";
    EXPECT_EQ(d.ComboCount(IDC_MODEL_COMBO), 7);
    ASSERT_GE(d.ListItemCount(IDC_PORT_LIST), 1);
    EXPECT_EQ(d.ListItemText(IDC_PORT_LIST, 0, 0, 256), L"COM1") << "serial names lose their colon";
    EXPECT_FALSE(d.IsControlVisible(IDC_ADD_NETWORK_PORT));
    EXPECT_EQ(dlg_.PortType(), kPortTypeSerial);

    d.Click(IDC_RADIO_NETWORK);
    EXPECT_TRUE(d.IsControlVisible(IDC_ADD_NETWORK_PORT));
    EXPECT_EQ(d.ListColumnText(IDC_PORT_LIST, 2), L"");
    platform::CtlColor link;
    ASSERT_TRUE(d.PaintStatic(IDC_ADD_NETWORK_PORT, &link));
    EXPECT_EQ(link.text_rgb, wnd::Rgb(0, 0, 255));
    EXPECT_EQ(link.font, d.ControlFont(IDC_ADD_NETWORK_PORT));
    EXPECT_TRUE(link.transparent && link.white_brush);

    d.Click(IDC_RADIO_USB);
    EXPECT_FALSE(d.IsControlVisible(IDC_ADD_NETWORK_PORT));
    EXPECT_EQ(d.ListColumnText(IDC_PORT_LIST, 2), L"Status");
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 1) << "USB chooses the detected model again";
    EXPECT_EQ(Row(d, 0), (std::vector<std::wstring>{L"USB001", PrinterInfo[0].MODEL, L"Online"}));
  });
}

TEST_F(MainDialogTest, TheDialogIsOneWhiteUnderItsLabelsRadiosAndCheckBox) {
  Run([&](SimDialog& d) {
    platform::CtlColor background;
    ASSERT_TRUE(d.PaintDialog(&background));
    EXPECT_TRUE(background.white_brush) << "the dialog's own background is the labels' white";
    for (int id : {IDC_RADIO_USB, IDC_RADIO_SERIAL, IDC_RADIO_NETWORK, IDC_RADIO_BLUETOOTH,
                   IDC_SET_DEFAULT, IDC_SCAN_BLE, IDC_ADD_NETWORK_PORT}) {
      platform::CtlColor color;
      ASSERT_TRUE(d.PaintStatic(id, &color)) << id;
      EXPECT_TRUE(color.white_brush && color.transparent) << id;
    }
  });
}

TEST_F(MainDialogTest, RowClicksChooseTheRowsModelAndSelectionChangesStoreTheIndex) {
  PlugIn(L"TavroTL-241", L"USB001");
  PlugIn(L"TavroTM-220", L"USB002");
  Run([&](SimDialog& d) {
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 2);
    d.ClickRow(IDC_PORT_LIST, 1, 2);
    EXPECT_EQ(d.ComboItemText(IDC_MODEL_COMBO, d.ComboGetCurSel(IDC_MODEL_COMBO)), UsbPortRows[1].Name);
    EXPECT_EQ(InstallTarget.ModelIndex, 1) << "a row click leaves the stored index";
    d.SelectCombo(IDC_MODEL_COMBO, 5);
    EXPECT_EQ(InstallTarget.ModelIndex, 5);
    d.SelectCombo(IDC_MODEL_COMBO, 0);
    EXPECT_EQ(InstallTarget.ModelIndex, 5) << "please select stores nothing";
    // A row whose model is not in the list leaves the choice as it is (a model chosen first, so
    // that leaving it and resetting it to "please select" differ).
    d.SelectCombo(IDC_MODEL_COMBO, 3);
    CopyToField(UsbPortRows[0].Name, kUsbPortRowNameChars, L"Unknown");
    d.ClickRow(IDC_PORT_LIST, 0);
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 3);
    EXPECT_EQ(InstallTarget.ModelIndex, 3);
    d.ClickRow(IDC_PORT_LIST, -1);
    EXPECT_EQ(dlg_.SelectedPortText(), L"");
  });
}

TEST_F(MainDialogTest, NetworkCellsAreDrawnAsLinksAndOtherCellsInTheListsFont) {
  Run([&](SimDialog& d) {
    d.ListInsertItem(IDC_PORT_LIST, 0, L"IP_10.0.0.5", 0);
    std::vector<platform::CustomDraw> usb = d.PaintList(IDC_PORT_LIST);
    // One item step, then one step per column.
    ASSERT_EQ(usb.size(), 1u + 4u);
    for (size_t i = 1; i < usb.size(); ++i) {
      EXPECT_TRUE(usb[i].select_font);
      EXPECT_EQ(usb[i].font, nullptr);
      EXPECT_FALSE(usb[i].set_text_color);
      EXPECT_EQ(usb[i].result, wnd::kCdrfNewFont);
    }
    d.Click(IDC_RADIO_NETWORK);
    d.ListInsertItem(IDC_PORT_LIST, 0, L"IP_10.0.0.5", 0);
    std::vector<platform::CustomDraw> net = d.PaintList(IDC_PORT_LIST);
    ASSERT_EQ(net.size(), 5u);
    EXPECT_EQ(net[2].font, nullptr) << "the description keeps the list's font";
    EXPECT_FALSE(net[2].set_text_color);
    EXPECT_EQ(net[3].font, d.ControlFont(IDC_ADD_NETWORK_PORT));
    EXPECT_EQ(net[3].text_rgb, wnd::Rgb(0, 0, 255));
    EXPECT_EQ(net[4].font, d.ControlFont(IDC_ADD_NETWORK_PORT));
    EXPECT_EQ(net[4].text_rgb, wnd::Rgb(255, 0, 0));
  });
}

TEST_F(MainDialogTest, DeviceEventsRefreshTheUsbListOnlyWhenTheyShould) {
  Run([&](SimDialog& d) {
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    // Plugging a printer in: the list and the model follow.
    PlugIn(L"TavroTL-308", L"USB001");
    EXPECT_EQ(d.DeviceChange(wnd::kDbtDevNodesChanged), 1);
    ASSERT_EQ(d.ListItemCount(IDC_PORT_LIST), 1);
    EXPECT_EQ(Row(d, 0)[2], L"Online");
    EXPECT_EQ(d.ComboItemText(IDC_MODEL_COMBO, d.ComboGetCurSel(IDC_MODEL_COMBO)), Row(d, 0)[1]);
    EXPECT_EQ(InstallTarget.ModelIndex, d.ComboGetCurSel(IDC_MODEL_COMBO));
    // Pulling it out: its row goes.
    auto ids = machine_.devices().Find(UsbInfo[0].InstanceId);
    ASSERT_NE(ids, nullptr);
    machine_.devices().RemoveDevice(UsbInfo[0].InstanceId);
    d.DeviceChange(wnd::kDbtDeviceRemoveComplete);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
    EXPECT_EQ(d.ComboGetCurSel(IDC_MODEL_COMBO), 0);
  });
  std::string log = LogText();
  EXPECT_TRUE(app_test::InOrder(log, {"[ENTRY] OnDeviceChange - nEventType=7, m_bRefreshing=0",
                                      "[INFO] OnDeviceChange - Calling RefreshUsbUi",
                                      "[ENTRY] RefreshUsbUi - m_bRefreshing=0",
                                      "[INFO] RefreshUsbUi - m_bRefreshing set to TRUE",
                                      "[EXIT] RefreshUsbUi - m_bRefreshing reset to FALSE",
                                      "[EXIT] OnDeviceChange",
                                      "nEventType=32772"}));
}

TEST_F(MainDialogTest, EventsWhileSerialDuringARefreshOrOfOtherKindsLeaveTheListAlone) {
  Run([&](SimDialog& d) {
    d.Click(IDC_RADIO_SERIAL);
    int serial_rows = d.ListItemCount(IDC_PORT_LIST);
    PlugIn(L"TavroTL-308", L"USB001");
    d.DeviceChange(wnd::kDbtDeviceArrival);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), serial_rows);
    EXPECT_EQ(dlg_.m_bRefreshing, 0);

    d.Click(IDC_RADIO_USB);
    d.ListDeleteAllItems(IDC_PORT_LIST);
    dlg_.m_bRefreshing = 1;  // as while a refresh runs further up this thread's stack
    d.DeviceChange(wnd::kDbtDevNodesChanged);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0) << "the nested refresh is dropped";
    EXPECT_EQ(dlg_.m_bRefreshing, 1);
    dlg_.m_bRefreshing = 0;

    EXPECT_EQ(d.DeviceChange(wnd::kDbtDeviceQueryRemove), 1);
    EXPECT_EQ(d.ListItemCount(IDC_PORT_LIST), 0);
  });
  std::string log = LogText();
  EXPECT_TRUE(app_test::InOrder(log, {"nEventType=32768", "[INFO] RefreshUsbUi - USB not selected, skipping",
                                      "[INFO] RefreshUsbUi - Reentry detected, skipping",
                                      "[ENTRY] OnDeviceChange - nEventType=32769, m_bRefreshing=0",
                                      "[EXIT] OnDeviceChange"}));
  size_t query = log.find("nEventType=32769");
  ASSERT_NE(query, std::string::npos);
  EXPECT_EQ(log.find("RefreshUsbUi", query), std::string::npos) << "a query to remove refreshes nothing";
}

}  // namespace
