#include "ports/local_ports.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "tests/unit/ports/ports_fixture.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;
using platform::sim::SimFiles;
using platform::sim::SimSpooler;

class LocalPortsTest : public portstest::PortsTest {
 protected:
  void SetUp() override {
    PortsTest::SetUp();
    // Exactly 64 slots on the heap, as the port list passes them: a 65th write is caught.
    slots_.reset(new wchar_t[64][kLocalPortChars]());
  }

  void SetSerial(const std::wstring& device, const std::wstring& name) {
    machine_.registry().SetValue(Hive::kLocalMachine, SimFiles::kSerialCommKey, device, RegView::k64,
                                 RegValue::Sz(name));
  }
  void SetParallel(const std::wstring& device, const std::wstring& target) {
    machine_.registry().SetValue(Hive::kLocalMachine, SimFiles::kParallelPortsKey, device, RegView::k64,
                                 RegValue::Sz(target));
  }
  void RemoveSerialPorts() {
    machine_.registry().DeleteTree(Hive::kLocalMachine, SimFiles::kSerialCommKey, RegView::k64);
  }

  // EnumLocalPorts into the 64 slots, the names as one list.
  std::vector<std::wstring> Local(const wchar_t* prefix, int count = 64) {
    int n = EnumLocalPorts(machine_, prefix, slots_.get(), count);
    return std::vector<std::wstring>(slots_.get(), slots_.get() + (n < 0 ? 0 : n));
  }
  int DosCalls() { return machine_.faults().Calls("QueryDosDeviceW"); }

  std::unique_ptr<wchar_t[][kLocalPortChars]> slots_;
};

using Names = std::vector<std::wstring>;

// ---- the MS-DOS device list ------------------------------------------------------------------

TEST_F(LocalPortsTest, DosDevicesGiveComPortsWithADigitAfterThePrefix) {
  SetSerial(L"\\Device\\Serial1", L"COM10");
  SetSerial(L"\\Device\\VCP0", L"COMX");
  SetSerial(L"\\Device\\VCP1", L"COM");
  SetParallel(L"\\Device\\Parallel0", L"\\DosDevices\\LPT1");

  EXPECT_EQ(Local(L"COM"), (Names{L"COM1:", L"COM10:"}));
  EXPECT_EQ(Local(L"com"), (Names{L"COM1:", L"COM10:"}));
  EXPECT_EQ(Local(L"LPT"), (Names{L"LPT1:"}));
  EXPECT_EQ(Local(L"COM", 1), (Names{L"COM1:"}));
  EXPECT_EQ(DosCalls(), 4);
}

TEST_F(LocalPortsTest, ANameTooLongForASlotWithItsColonIsNotStored) {
  const std::wstring thirty = L"COM" + std::wstring(27, L'7');  // 30 characters, 31 with the colon
  const std::wstring thirty_one = L"COM" + std::wstring(28, L'8');
  SetSerial(L"\\Device\\Serial1", thirty_one);
  SetSerial(L"\\Device\\Serial2", thirty);
  EXPECT_EQ(Local(L"COM"), (Names{L"COM1:", thirty + L":"}));
}

TEST_F(LocalPortsTest, TheBufferDoublesUntilTheListFits) {
  // Some 70,000 characters of device names: more than 65,536, less than 131,072.
  for (int i = 0; i < 700; ++i) SetSerial(L"\\Device\\VSerial" + std::to_wstring(i), L"VSERIAL" + std::wstring(93, L'v'));
  EXPECT_EQ(Local(L"COM"), (Names{L"COM1:"}));
  EXPECT_EQ(DosCalls(), 3);  // 32768, 65536, then 131072 characters
}

TEST_F(LocalPortsTest, AfterFourAttemptsOrAnotherFailureTheAllPortsTableAnswers) {
  CacheAllPorts(machine_.spooler());
  machine_.faults().Fail("QueryDosDeviceW", platform::err::kInsufficientBuffer, 4);
  EXPECT_EQ(Local(L"COM"), (Names{L"COM1:", L"COM2:", L"COM3:", L"COM4:"}));
  EXPECT_EQ(DosCalls(), 4);  // 32768 to 262144 characters, then no more

  machine_.faults().ResetCalls();
  machine_.faults().Fail("QueryDosDeviceW", 5, 1);
  EXPECT_EQ(Local(L"LPT"), (Names{L"LPT1:", L"LPT2:", L"LPT3:"}));
  EXPECT_EQ(DosCalls(), 1);
}

// ---- the all-ports fallback ------------------------------------------------------------------

TEST_F(LocalPortsTest, WithoutMatchingDosDevicesTheAllPortsTableAnswersUnchanged) {
  RemoveSerialPorts();
  std::wcscpy(AllPorts[0], L"COM1:");
  std::wcscpy(AllPorts[1], L"USB001");
  std::wcscpy(AllPorts[2], (L"COM" + std::wstring(29, L'9')).c_str());  // 32 characters: no slot holds it
  std::wcscpy(AllPorts[3], (L"com" + std::wstring(28, L'5')).c_str());  // 31: fits
  std::wcscpy(AllPorts[5], L"COM7:");                                  // after the end of the table
  EXPECT_EQ(Local(L"COM"), (Names{L"COM1:", L"com" + std::wstring(28, L'5')}));
  EXPECT_EQ(Local(L"COM", 1), (Names{L"COM1:"}));
  // Other prefixes come from the table alone, without asking for the DOS devices.
  machine_.faults().ResetCalls();
  EXPECT_EQ(Local(L"usb"), (Names{L"USB001"}));
  EXPECT_EQ(DosCalls(), 0);
}

TEST_F(LocalPortsTest, NothingForAnEmptyPrefixOrNoRoom) {
  EXPECT_EQ(EnumLocalPorts(machine_, L"", slots_.get(), 64), 0);
  EXPECT_EQ(EnumLocalPorts(machine_, nullptr, slots_.get(), 64), 0);
  EXPECT_EQ(EnumLocalPorts(machine_, L"COM", nullptr, 64), 0);
  EXPECT_EQ(EnumLocalPorts(machine_, L"COM", slots_.get(), 0), 0);
  EXPECT_EQ(DosCalls(), 0);
}

// ---- CacheAllPorts ---------------------------------------------------------------------------

TEST_F(LocalPortsTest, CacheAllPortsTakesEverySpoolerPortInOrder) {
  ASSERT_TRUE(machine_.spooler().AddUsbPort(L"USB001", L"path"));
  ASSERT_TRUE(machine_.spooler().AddPort(SimSpooler::kTcpIpMonitor, L"IP_10.0.0.5"));
  std::wcscpy(AllPorts[20], L"STALE:");
  CacheAllPorts(machine_.spooler());
  std::vector<std::wstring> table;
  for (int k = 0; k < kAllPortsCount && AllPorts[k][0]; ++k) table.push_back(AllPorts[k]);
  EXPECT_EQ(table, (Names{L"COM1:", L"COM2:", L"COM3:", L"COM4:", L"FILE:", L"LPT1:", L"LPT2:", L"LPT3:",
                          L"PORTPROMPT:", L"nul:", L"IP_10.0.0.5", L"USB001"}));
  EXPECT_EQ(AllPorts[20][0], L'\0');
}

TEST_F(LocalPortsTest, CacheAllPortsKeeps512AndSkipsNamesTooLongForAnEntry) {
  SimSpooler& spooler = machine_.spooler();
  ASSERT_TRUE(spooler.AddPort(SimSpooler::kLocalPortMonitor, std::wstring(255, L'L')));
  ASSERT_TRUE(spooler.AddPort(SimSpooler::kLocalPortMonitor, std::wstring(254, L'K')));
  for (int i = 0; i < 600; ++i) ASSERT_TRUE(spooler.AddPort(SimSpooler::kLocalPortMonitor, L"P" + std::to_wstring(i)));
  CacheAllPorts(spooler);
  EXPECT_EQ(std::wstring(AllPorts[10]), std::wstring(254, L'K'));
  EXPECT_STREQ(AllPorts[11], L"P0");
  EXPECT_STREQ(AllPorts[511], L"P500");
}

TEST_F(LocalPortsTest, CacheAllPortsLeavesTheTableWhenTheSpoolerFails) {
  std::wcscpy(AllPorts[0], L"KEPT:");
  machine_.faults().Fail("EnumPortsW", 1722, 1);
  CacheAllPorts(machine_.spooler());
  EXPECT_STREQ(AllPorts[0], L"KEPT:");
  EXPECT_EQ(AllPorts[1][0], L'\0');
}

}  // namespace
