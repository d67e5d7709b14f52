// The main dialog with everything an installation needs on the simulated machine: the shipped
// catalog and paper files in the configuration folder, a payload of driver files, the program's
// templates, and a user script that runs until the dialog ends.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "install/install_target.h"
#include "platform/registry.h"
#include "ports/local_ports.h"
#include "ports/usb_detect.h"
#include "ports/usb_port_list.h"
#include "tests/unit/app/app_fixture.h"
#include "ui/install_dlg.h"

namespace ui_test {

constexpr const wchar_t* kConfig = L"C:\\Users\\Admin\\AppData\\Local\\Temp\\TavroPrint\\Config\\";
constexpr const wchar_t* kPrinters = L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

using tavro_test::ShippedFile;

class InstallDialogTest : public app_test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    tavro_test::ResetSharedTables();
    ApplyInstallTextDefaults();
    for (const char* file : {"Modules.json", "PaperSize.json", "DefaultPaper.json"}) {
      std::wstring name(file, file + std::strlen(file));
      machine_.files().PutFile(kConfig + name, ShippedFile(file));
    }
    MakePayload();
    SetAppLanguageSource(&language_);
  }
  // The payload the worker extracts: the driver files of both architectures, and the shipped
  // configuration files the dialog reads (all but `without`).
  void MakePayload(const std::string& without = std::string()) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const char* file : {"tavrodrv.dll", "tavroui.dll", "tavromon.exe", "tavropop.exe"}) {
      entries.emplace_back(file, std::string("MZ ") + file);
      entries.emplace_back(std::string(file) + ".x64", std::string("MZ x64 ") + file);
    }
    for (const char* file : {"Modules.json", "PaperSize.json", "DefaultPaper.json"}) {
      if (file != without) entries.emplace_back(file, ShippedFile(file));
    }
    payload_test::RawArchive archive(static_cast<uint32_t>(entries.size()));
    for (const auto& entry : entries) archive.Add(entry.first, entry.second);
    payload_ = archive.Buffer();
    dlg_.m_pBuf = payload_.data();
    dlg_.m_nBufLen = static_cast<int32_t>(payload_.size());
  }
  void TearDown() override {
    SetAppLanguageSource(nullptr);
    AppTest::TearDown();
  }

  void PlugInTr80() {
    auto ids = machine_.devices().AddUsbPrinter(L"TavroTR-80", L"USB001", 0x28e9, 0x0289);
    machine_.spooler().AddUsbPort(L"USB001", ids.printer);
  }

  // Runs the dialog with `script` as the user; an installation it started is waited for until
  // its completion ends the dialog, otherwise the user cancels.
  int Run(std::function<void(platform::sim::SimDialog&)> script) {
    machine_.windows().Script(IDD_INSTALL, [&](platform::sim::SimDialog& d) {
      script(d);
      if (dlg_.m_bInstalling.load()) d.PumpUntil([&] { return d.Ended(); }, 20000);
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

}  // namespace ui_test
