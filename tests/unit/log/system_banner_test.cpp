#include <gtest/gtest.h>

#include <string>

#include "log/system_banner.h"
#include "platform/sim/sim_machine.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;

constexpr const wchar_t* kCurrentVersion = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::string kRule(103, '=');
// GBK labels (written as they are, whatever the ANSI code page).
const std::string kOs = "\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3: ";                   // 操作系统:
const std::string kVersion = "\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3\xB0\xE6\xB1\xBE: ";  // 操作系统版本:
const std::string kPro = "\xD7\xA8\xD2\xB5\xB0\xE6";                            // 专业版

class BannerTest : public ::testing::Test {
 protected:
  void SetValue(const wchar_t* name, const RegValue& value) {
    m_.registry().SetValue(Hive::kLocalMachine, kCurrentVersion, name, RegView::k64, value);
  }
  void DeleteValue(const wchar_t* name) {
    m_.registry().DeleteValue(Hive::kLocalMachine, kCurrentVersion, name, RegView::k64);
  }
  std::string Banner() { return BuildSystemBanner(m_); }
  // The banner line that starts with `label`, without its "\n"; "" when there is none.
  std::string Line(const std::string& label) {
    std::string banner = Banner();
    size_t at = banner.find("\n" + label);
    if (at == std::string::npos) return std::string();
    size_t end = banner.find('\n', at + 1);
    return banner.substr(at + 1, end - at - 1);
  }
  void SetArchitecture(uint16_t arch) {
    platform::NativeSystemInfo info = m_.system().NativeInfo();
    info.processor_architecture = arch;
    m_.system().SetNativeInfo(info);
  }

  platform::sim::SimMachine m_;
};

TEST_F(BannerTest, DefaultMachineGivesTheWholeBlock) {
  std::string expected = kRule + "\n" + std::string(10, '\t') + "     \xCF\xB5\xCD\xB3\xD0\xC5\xCF\xA2" +
                         std::string(12, '\t') + "   \n" + kRule + "\n" +
                         "\xC9\xE8\xB1\xB8\xC3\xFB\xB3\xC6: TAVRO-PC\n" +  // 设备名称
                         kOs + "Windows 10 Pro\n" +
                         "\xB0\xE6\xB1\xBE\xBA\xC5: 22H2\n" +  // 版本号
                         kVersion + "10.0.19045.3803\n" +
                         "\xCF\xB5\xCD\xB3\xC0\xE0\xD0\xCD: 64\xCE\xBB\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3, "
                         "\xBB\xF9\xD3\xDA x64 \xB5\xC4\xB4\xA6\xC0\xED\xC6\xF7\n" +
                         "\xB4\xA6\xC0\xED\xC6\xF7: Intel(R) Core(TM) i5-7500 CPU @ 3.40GHz\n" +  // 处理器
                         "\xBB\xFA\xB4\xF8 RAM: 8.0 GB (5.0 GB \xBF\xC9\xD3\xC3)\n" +            // 机带 RAM
                         "\xC9\xE8\xB1\xB8 ID: 00330-80000-00000-AA742\n" +                     // 设备 ID
                         kRule + "\n\n";
  EXPECT_EQ(Banner(), expected);
}

TEST_F(BannerTest, Windows11BuildRenamesAWindows10ProductName) {
  SetValue(L"CurrentBuildNumber", RegValue::Sz(L"22631"));
  SetValue(L"ProductName", RegValue::Sz(L"Windows 10 Enterprise"));
  EXPECT_EQ(Line(kOs), kOs + "Windows 11 Enterprise");
  EXPECT_EQ(Line(kVersion), kVersion + "10.0.22631.3803");
  // Below build 22000 the name stays.
  SetValue(L"CurrentBuildNumber", RegValue::Sz(L"21999"));
  EXPECT_EQ(Line(kOs), kOs + "Windows 10 Enterprise");
}

TEST_F(BannerTest, EmptyProductNameBuildsTheNameFromVersionAndEdition) {
  SetValue(L"ProductName", RegValue::Sz(L""));
  EXPECT_EQ(Line(kOs), kOs + "Windows 10 " + kPro);
  SetValue(L"CurrentBuildNumber", RegValue::Sz(L"22000"));
  EXPECT_EQ(Line(kOs), kOs + "Windows 11 " + kPro);
  SetValue(L"EditionID", RegValue::Sz(L"corecountryspecific"));
  EXPECT_EQ(Line(kOs), kOs + "Windows 11 \xBC\xD2\xCD\xA5\xD6\xD0\xCE\xC4\xB0\xE6");  // 家庭中文版
  SetValue(L"EditionID", RegValue::Sz(L"IoTEnterpriseS"));
  EXPECT_EQ(Line(kOs), kOs + "Windows 11 IoTEnterpriseS");
  DeleteValue(L"EditionID");
  EXPECT_EQ(Line(kOs), kOs + "Windows 11");
  // A name too long for the 128-byte buffer is not read either.
  SetValue(L"ProductName", RegValue::Sz(std::wstring(128, L'W')));
  EXPECT_EQ(Line(kOs), kOs + "Windows 11");
}

TEST_F(BannerTest, VersionLineWithAndWithoutUpdateRevision) {
  SetValue(L"UBR", RegValue::Dword(3155));
  EXPECT_EQ(Line(kVersion), kVersion + "10.0.19045.3155");
  DeleteValue(L"UBR");
  EXPECT_EQ(Line(kVersion), kVersion + "10.0.19045");
  SetValue(L"UBR", RegValue::Sz(L"3155"));  // not a DWORD: does not count
  EXPECT_EQ(Line(kVersion), kVersion + "10.0.19045");
}

TEST_F(BannerTest, WithoutRegistryNumbersGetVersionExDecidesAndAddsTheServicePack) {
  DeleteValue(L"CurrentMajorVersionNumber");
  DeleteValue(L"UBR");
  DeleteValue(L"ProductName");
  DeleteValue(L"DisplayVersion");
  DeleteValue(L"ReleaseId");
  m_.system().SetVersion({6, 1, 7601, L"Service Pack 1"});
  std::string banner = Banner();
  EXPECT_NE(banner.find(kOs + "Windows 7 " + kPro + "\n"), std::string::npos);
  EXPECT_NE(banner.find(kVersion + "6.1.7601\n"), std::string::npos);
  EXPECT_NE(banner.find("\nService Pack: Service Pack 1\n"), std::string::npos);
  EXPECT_EQ(banner.find("\xB0\xE6\xB1\xBE\xBA\xC5:"), std::string::npos);  // no 版本号 line
  // An unknown version adds nothing after "Windows".
  m_.system().SetVersion({4, 0, 1381, L""});
  EXPECT_EQ(Line(kOs), kOs + "Windows " + kPro);
  m_.faults().Fail("GetVersionExW", 5);
  EXPECT_EQ(Line(kVersion), kVersion + "0.0.0");
}

TEST_F(BannerTest, ReleaseIdStandsInForAMissingDisplayVersion) {
  DeleteValue(L"DisplayVersion");
  EXPECT_EQ(Line("\xB0\xE6\xB1\xBE\xBA\xC5"), "\xB0\xE6\xB1\xBE\xBA\xC5: 2009");
}

TEST_F(BannerTest, SystemTypeFollowsTheNativeArchitecture) {
  const std::string label = "\xCF\xB5\xCD\xB3\xC0\xE0\xD0\xCD: ";  // 系统类型:
  EXPECT_NE(Line(label).find("64\xCE\xBB"), std::string::npos);     // x64 even from a 32-bit process
  SetArchitecture(0);
  EXPECT_EQ(Line(label), label + "32\xCE\xBB\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3, \xBB\xF9\xD3\xDA x86 \xB5\xC4\xB4\xA6\xC0\xED\xC6\xF7");
  SetArchitecture(5);
  EXPECT_EQ(Line(label), label + "\xBB\xF9\xD3\xDA ARM \xB5\xC4\xB4\xA6\xC0\xED\xC6\xF7");
  SetArchitecture(12);
  EXPECT_EQ(Line(label), label + "\xCE\xB4\xD6\xAA\xBC\xDC\xB9\xB9");  // 未知架构
}

TEST_F(BannerTest, MemoryProcessorExperienceAndDeviceIdFallbacks) {
  m_.system().SetMemory({16ULL << 30, 9663676416ULL});
  const std::string ram = "\xBB\xFA\xB4\xF8 RAM: ";
  EXPECT_EQ(Line(ram), ram + "16.0 GB (9.0 GB \xBF\xC9\xD3\xC3)");
  m_.faults().Fail("GlobalMemoryStatusEx", 5);
  EXPECT_EQ(Line(ram), "");

  const std::string cpu = "\xB4\xA6\xC0\xED\xC6\xF7: ";
  m_.registry().DeleteValue(Hive::kLocalMachine, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                            L"ProcessorNameString", RegView::k64);
  EXPECT_EQ(Line(cpu), cpu + "4 \xB8\xF6\xC2\xDF\xBC\xAD\xB4\xA6\xC0\xED\xC6\xF7");  // 4 个逻辑处理器

  const std::string experience = "\xCC\xE5\xD1\xE9: ";
  EXPECT_EQ(Line(experience), "");
  const wchar_t* orchestrator = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Orchestrator";
  m_.registry().SetValue(Hive::kLocalMachine, orchestrator, L"Experience", RegView::k64, RegValue::Sz(L"1000.19061.1000.0"));
  EXPECT_EQ(Line(experience), experience + "Windows \xB9\xA6\xC4\xDC\xCC\xE5\xD1\xE9\xB0\xFC 1000.19061.1000.0");

  const std::string id = "\xC9\xE8\xB1\xB8 ID: ";
  SetValue(L"ProductId", RegValue{platform::regtype::kExpandSz, RegValue::Sz(L"X").data});  // REG_SZ only
  EXPECT_EQ(Line(id), id + "6f1c2a7e-3b4d-4c8a-9e21-5d7f0b9a4c13");
  DeleteValue(L"ProductId");
  m_.registry().DeleteValue(Hive::kLocalMachine, L"SOFTWARE\\Microsoft\\Cryptography", L"MachineGuid", RegView::k64);
  EXPECT_EQ(Line(id), "");
}

TEST_F(BannerTest, ComputerNameLineNeedsANameThatFits) {
  const std::string label = "\xC9\xE8\xB1\xB8\xC3\xFB\xB3\xC6: ";
  m_.system().SetComputerName(L"A-NAME-THAT-IS-TOO-LONG");
  EXPECT_EQ(Line(label), "");
  m_.system().SetComputerName(L"PC");
  m_.faults().Fail("GetComputerNameW", 5, 1);
  EXPECT_EQ(Line(label), "");
  EXPECT_EQ(Line(label), label + "PC");
}

TEST_F(BannerTest, TheRegistryIsReadInThe64BitView) {
  // A 32-bit installer's own view holds other values; the banner must not use them.
  m_.registry().SetValue(Hive::kLocalMachine, kCurrentVersion, L"ProductName", RegView::kDefault,
                         RegValue::Sz(L"Wrong View"));
  EXPECT_EQ(Line(kOs), kOs + "Windows 10 Pro");
  m_.codepage().SetAnsiCodePage(936);
  SetValue(L"ProductName", RegValue::Sz(L"Windows 10 \u4E13\u4E1A\u7248"));  // values as the A functions give them
  EXPECT_EQ(Line(kOs), kOs + "Windows 10 " + kPro);
}

TEST(EditionName, TableIsCaseInsensitiveAndUnknownIdsPassThrough) {
  EXPECT_EQ(EditionName("PROFESSIONAL"), "\xD7\xA8\xD2\xB5\xB0\xE6");
  EXPECT_EQ(EditionName("EnterpriseGN"), "\xC6\xF3\xD2\xB5\xB0\xE6 GN");
  EXPECT_EQ(EditionName("ServerDatacenter"), "\xCA\xFD\xBE\xDD\xD6\xD0\xD0\xC4\xB0\xE6");
  EXPECT_EQ(EditionName("Professiona"), "Professiona");
  EXPECT_EQ(EditionName(""), "");
}

}  // namespace
