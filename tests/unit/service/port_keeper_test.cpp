#include "service/port_keeper.h"

#include <gtest/gtest.h>

namespace {

constexpr const wchar_t* kTr80 = L"Tavro TR-80";
constexpr const wchar_t* kTl241 = L"Tavro TL-241";

PresentDevice Shown(const wchar_t* model, const wchar_t* port) { return {model, port, L"USBPRINT\\X\\1", true}; }

KeepDecision Only(const std::vector<KeptPrinter>& printers, const std::vector<PresentDevice>& devices, size_t i = 0) {
  std::vector<KeepDecision> decisions = DecidePortMoves(printers, devices);
  EXPECT_EQ(decisions.size(), printers.size());
  return decisions.at(i);
}

TEST(PortKeeperTest, APrinterWhoseDeviceIsOnItsPortStays) {
  KeepDecision d = Only({{kTr80, L"USB001", kTr80}}, {Shown(L"tavro tr-80", L"usb001")});
  EXPECT_EQ(d.outcome, KeepOutcome::kInPlace);
}

TEST(PortKeeperTest, ThePluggedInDeviceOnAnotherPortTakesItsPrinterThere) {
  KeepDecision d = Only({{kTr80, L"USB001", kTr80}}, {Shown(kTr80, L"USB002")});
  EXPECT_EQ(d.outcome, KeepOutcome::kMove);
  EXPECT_EQ(d.from, L"USB001");
  EXPECT_EQ(d.to, L"USB002");
}

TEST(PortKeeperTest, NoDeviceOfItsModelMeansDeviceGone) {
  EXPECT_EQ(Only({{kTr80, L"USB001", kTr80}}, {}).outcome, KeepOutcome::kDeviceGone);
  // A device of another model is no device of this printer.
  EXPECT_EQ(Only({{kTr80, L"USB001", kTr80}}, {Shown(kTl241, L"USB002")}).outcome, KeepOutcome::kDeviceGone);
  // Nor is one on the port another of our printers holds.
  KeepDecision d = Only({{kTr80, L"USB001", kTr80}, {L"Tavro TR-80 (copy 1)", L"USB002", kTr80}},
                        {Shown(kTr80, L"USB002")});
  EXPECT_EQ(d.outcome, KeepOutcome::kDeviceGone);
}

TEST(PortKeeperTest, TwoFreeDevicesOfItsModelAreAmbiguous) {
  KeepDecision d = Only({{kTr80, L"USB001", kTr80}}, {Shown(kTr80, L"USB002"), Shown(kTr80, L"USB003")});
  EXPECT_EQ(d.outcome, KeepOutcome::kAmbiguous);
  EXPECT_EQ(d.from, L"USB001");
}

TEST(PortKeeperTest, TwoPrintersOfOneModelThatBothLostTheirDeviceAreAmbiguous) {
  std::vector<KeptPrinter> printers = {{kTr80, L"USB001", kTr80}, {L"Tavro TR-80 (copy 1)", L"USB002", kTr80}};
  std::vector<KeepDecision> d = DecidePortMoves(printers, {Shown(kTr80, L"USB003")});
  EXPECT_EQ(d[0].outcome, KeepOutcome::kAmbiguous);
  EXPECT_EQ(d[1].outcome, KeepOutcome::kAmbiguous);
}

TEST(PortKeeperTest, APortTheDeviceDidNotShowIsNoGroundForAMove) {
  PresentDevice guessed = Shown(kTr80, L"USB002");
  guessed.shown = false;
  EXPECT_EQ(Only({{kTr80, L"USB001", kTr80}}, {guessed}).outcome, KeepOutcome::kAmbiguous);
}

TEST(PortKeeperTest, OnlyTheOrphanMovesWhenItsTwinKeepsItsDevice) {
  std::vector<KeptPrinter> printers = {{kTr80, L"USB001", kTr80}, {L"Tavro TR-80 (copy 1)", L"USB002", kTr80}};
  std::vector<KeepDecision> d = DecidePortMoves(printers, {Shown(kTr80, L"USB001"), Shown(kTr80, L"USB004")});
  EXPECT_EQ(d[0].outcome, KeepOutcome::kInPlace);
  EXPECT_EQ(d[1].outcome, KeepOutcome::kMove);
  EXPECT_EQ(d[1].to, L"USB004");
}

TEST(PortKeeperTest, PrintersOffUsbOrOfUnknownModelAreNotKept) {
  EXPECT_EQ(Only({{kTr80, L"COM1", kTr80}}, {Shown(kTr80, L"USB002")}).outcome, KeepOutcome::kNotKept);
  EXPECT_EQ(Only({{L"Other", L"USB001", L""}}, {Shown(kTr80, L"USB002")}).outcome, KeepOutcome::kNotKept);
  EXPECT_TRUE(IsUsbPortName(L"usb003"));
  EXPECT_FALSE(IsUsbPortName(L"US"));
}

}  // namespace
