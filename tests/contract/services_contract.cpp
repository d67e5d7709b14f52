// Service control manager: a service is created once, lives under the Services key with its
// configuration and description, and does not start without its binary.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "tests/contract/contract_backend.h"

namespace {

using platform::Hive;
using platform::RegValue;
using platform::RegView;

const wchar_t kService[] = L"Tavro Contract Service";
const wchar_t kServiceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\Tavro Contract Service";

class ServicesContract : public ::testing::Test {
 protected:
  platform::Registry& reg() { return contract::TheMachine().registry(); }
  platform::ServiceConfig Config() {
    platform::ServiceConfig config;
    config.name = kService;
    config.display_name = kService;
    config.service_type = 0x110;  // own process, interactive
    config.start_type = 2;        // automatic
    config.error_control = 1;     // normal
    config.binary_path = contract::ScratchFolder() + L"\\no such service.exe";
    return config;
  }
  RegValue Value(const wchar_t* name) {
    RegValue value;
    EXPECT_TRUE(reg().QueryValue(Hive::kLocalMachine, kServiceKey, name, RegView::k64, &value)) << name;
    return value;
  }
  void SetUp() override { contract::RemoveService(kService); }
  void TearDown() override { contract::RemoveService(kService); }
};

TEST_F(ServicesContract, AServiceIsCreatedOnceWithItsConfiguration) {
  std::unique_ptr<platform::ServiceManager> manager = contract::TheMachine().services().OpenManager();
  ASSERT_NE(manager, nullptr) << platform::LastErrorCode();
  std::unique_ptr<platform::Service> service = manager->Create(Config());
  ASSERT_NE(service, nullptr) << platform::LastErrorCode();

  // Windows keeps ImagePath as REG_EXPAND_SZ, Wine as REG_SZ; the text is the same.
  EXPECT_EQ(Value(L"ImagePath").AsString(), Config().binary_path);
  if (!contract::RunsOnWine()) {
    EXPECT_EQ(Value(L"ImagePath").type, platform::regtype::kExpandSz);
  }
  EXPECT_EQ(Value(L"Type").AsDword(), 0x110u);
  EXPECT_EQ(Value(L"Start").AsDword(), 2u);
  EXPECT_EQ(Value(L"ErrorControl").AsDword(), 1u);
  EXPECT_EQ(Value(L"DisplayName").AsString(), kService);
  EXPECT_EQ(Value(L"ObjectName").AsString(), L"LocalSystem");

  EXPECT_EQ(manager->Create(Config()), nullptr);
  EXPECT_EQ(platform::LastErrorCode(), 1073u);
}

TEST_F(ServicesContract, TheDescriptionIsKeptAndAMissingBinaryDoesNotStart) {
  std::unique_ptr<platform::ServiceManager> manager = contract::TheMachine().services().OpenManager();
  ASSERT_NE(manager, nullptr);
  std::unique_ptr<platform::Service> service = manager->Create(Config());
  ASSERT_NE(service, nullptr) << platform::LastErrorCode();

  EXPECT_TRUE(service->SetDescription(L"Tavro contract service")) << platform::LastErrorCode();
  EXPECT_EQ(Value(L"Description").AsString(), L"Tavro contract service");

  EXPECT_FALSE(service->Start());
  EXPECT_EQ(platform::LastErrorCode(), platform::err::kFileNotFound);
  // The service stays installed.
  EXPECT_TRUE(reg().KeyExists(Hive::kLocalMachine, kServiceKey, RegView::k64));
}

}  // namespace

namespace {

// The Print Spooler is a service of every Windows (Wine's too), asked about with the least rights;
// a name nobody registered answers 1060.
TEST(ServicesStateContract, TheSpoolerHasAStateAndAnUnknownServiceHasNone) {
  platform::Services& services = contract::TheMachine().services();
  uint32_t state = 0;
  ASSERT_TRUE(services.QueryState(L"Spooler", &state)) << platform::LastErrorCode();
  EXPECT_TRUE(state == platform::servicestate::kRunning || state == platform::servicestate::kStopped ||
              state == platform::servicestate::kStartPending)
      << state;
  EXPECT_FALSE(services.QueryState(L"Tavro No Such Service", &state));
  EXPECT_EQ(platform::LastErrorCode(), 1060u);
}

}  // namespace
