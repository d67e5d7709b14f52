// Bluetooth on a machine without a radio (the test machines have none): the radio search finds
// nothing and the Winsock lookup in the Bluetooth namespace does not start. Nothing else of the
// Bluetooth API is called here: Wine ends the process on any other Bluetooth call.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/bluetooth.h"
#include "platform/last_error.h"
#include "tests/contract/contract_backend.h"

namespace {

bool OnWine() { return std::strcmp(contract::BackendName(), "win32") == 0; }

TEST(BluetoothContract, NoRadioIsFound) {
  platform::SetLastErrorCode(0);
  auto radio = contract::TheMachine().bluetooth().FindFirstRadio();
  EXPECT_EQ(radio, nullptr);
  // Windows without a radio: 259 (ERROR_NO_MORE_ITEMS); Wine 8 has no radio search at all: 120.
  EXPECT_EQ(platform::LastErrorCode(), OnWine() ? 120u : 259u);
}

TEST(BluetoothContract, TheLookupInTheBluetoothNamespaceDoesNotStart) {
  platform::Bluetooth& bluetooth = contract::TheMachine().bluetooth();
  int error = -1;
  auto winsock = bluetooth.StartWinsock(&error);
  ASSERT_NE(winsock, nullptr);
  EXPECT_EQ(error, 0);
  auto lookup = bluetooth.LookupBegin(platform::wsa::kLookupFlags, &error);
  EXPECT_EQ(lookup, nullptr);
  // Windows: WSASERVICE_NOT_FOUND; Wine 8's WSALookupServiceBeginW is a stub answering 8.
  EXPECT_EQ(error, OnWine() ? 8 : platform::wsa::kServiceNotFound);
}

}  // namespace
