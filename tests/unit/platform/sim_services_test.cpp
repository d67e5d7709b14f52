// The simulated service manager beyond the contract cases: services that start, how the
// manager reads a binary path, display-name clashes, and a service whose key is gone.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/last_error.h"
#include "platform/services.h"
#include "platform/sim/sim_machine.h"

namespace platform::sim {
namespace {

class SimServicesTest : public ::testing::Test {
 protected:
  Services& services() { return static_cast<Machine&>(sim_).services(); }
  ServiceConfig Config(const std::wstring& name, const std::wstring& binary) {
    ServiceConfig config;
    config.name = name;
    config.display_name = name;
    config.service_type = 0x110;
    config.start_type = 2;
    config.error_control = 1;
    config.binary_path = binary;
    return config;
  }

  SimMachine sim_;
};

TEST_F(SimServicesTest, AServiceWithItsBinaryStartsOnce) {
  sim_.files().PutFile(L"C:\\Program Files\\Tavro\\Tavro Service.exe", "service");
  std::unique_ptr<ServiceManager> manager = services().OpenManager();
  ASSERT_NE(manager, nullptr);
  // An unquoted path with spaces is read as far as it names a file; arguments may follow.
  std::unique_ptr<Service> service =
      manager->Create(Config(L"Tavro", L"C:\\Program Files\\Tavro\\Tavro Service.exe -run"));
  ASSERT_NE(service, nullptr);
  RegValue image;
  ASSERT_TRUE(sim_.registry().QueryValue(Hive::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\Tavro",
                                         L"ImagePath", RegView::k64, &image));
  EXPECT_EQ(image.type, regtype::kExpandSz);
  EXPECT_FALSE(sim_.services().Running(L"Tavro"));
  EXPECT_TRUE(service->Start()) << LastErrorCode();
  EXPECT_TRUE(sim_.services().Running(L"Tavro"));
  EXPECT_FALSE(service->Start());
  EXPECT_EQ(LastErrorCode(), 1056u);

  std::unique_ptr<Service> quoted =
      manager->Create(Config(L"Quoted", L"\"C:\\Program Files\\Tavro\\Tavro Service.exe\" -run"));
  ASSERT_NE(quoted, nullptr);
  EXPECT_TRUE(quoted->Start());

  ServiceConfig clash = Config(L"Third", L"C:\\x.exe");
  clash.display_name = L"TAVRO";
  EXPECT_EQ(manager->Create(clash), nullptr);
  EXPECT_EQ(LastErrorCode(), 1078u);

  // A service whose key is gone is gone.
  sim_.registry().DeleteTree(Hive::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Services\\Quoted", RegView::k64);
  EXPECT_FALSE(quoted->Start());
  EXPECT_EQ(LastErrorCode(), 1060u);
}

}  // namespace
}  // namespace platform::sim
