// The run command's promise, checked: in a prefix made as scripts/run.sh makes its own
// (scripts/run-prefix.sh, nothing else prepared), every model of the catalog installs on COM1
// through the real installer's dialogs and ends with "Installation complete.", leaving a printer
// of the model on COM1:. Not a ctest test: scripts/test.sh makes the prefix and runs this program
// in it, as the run command runs the installer (Wine's X driver on a virtual display).
#include "tests/wine/install_flow.h"

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace flow;

// How many models data/Modules.json holds: each has one "MODEL" key.
int ModelsInCatalogFile() {
  std::ifstream in(TAVRO_SOURCE_DIR "/data/Modules.json", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int count = 0;
  for (size_t at = text.find("\"MODEL\""); at != std::string::npos; at = text.find("\"MODEL\"", at + 1)) ++count;
  return count;
}

TEST(RunPrefix, EveryCatalogModelInstallsOnCom1) {
  // What the run prefix was prepared with (a driver name for the other environment) stays: only
  // the driver the installer registered is removed between models.
  const std::vector<const wchar_t*> kInstallerOnly = {InstallerEnvironment()};
  std::vector<std::wstring> models;
  {
    Installer probe;
    HWND main = OpenMainDialog(probe, 2);
    ASSERT_NE(main, nullptr);
    models = CatalogModels(main);
    CancelToExit(probe, main);
  }
  ASSERT_GT(ModelsInCatalogFile(), 0);
  ASSERT_EQ(static_cast<int>(models.size()), ModelsInCatalogFile()) << "the model list is not the catalog";

  for (const std::wstring& model : models) {
    SCOPED_TRACE(Narrow(model));
    RemoveInstallations(model, kInstallerOnly);
    Installer installer;
    HWND main = OpenMainDialog(installer, 2);
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(PressInstallOnSerialPort(installer, main, model, L"COM1"), "");
    EXPECT_EQ(WaitForOutcome(installer), L"Installation complete.");
    EXPECT_EQ(PressOkAndWaitExit(installer), 0);
    const std::vector<PrinterEntry> printers = Printers();
    const PrinterEntry* printer = FindPrinter(printers, model);
    ASSERT_NE(printer, nullptr) << "no printer named after the model";
    EXPECT_EQ(printer->port, L"COM1:");
    EXPECT_EQ(printer->driver, model + L" Driver");
    RemoveInstallations(model, kInstallerOnly);
    EXPECT_EQ(FindPrinter(Printers(), model), nullptr) << "the printer stayed";
  }
}

}  // namespace
