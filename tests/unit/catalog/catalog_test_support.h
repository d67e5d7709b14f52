// Shared arrangement for the catalog tests: a simulated machine with files, a code page and a
// captured log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/sim/sim_machine.h"
#include "tests/support/fixture_support.h"

namespace catalog_test {

class CatalogFixtureBase {
 public:
  CatalogFixtureBase();
  ~CatalogFixtureBase();

  platform::sim::SimMachine& machine() { return *machine_; }

  void SetAnsiCodePage(uint32_t code_page);
  void PutFile(const std::wstring& path, const std::string& bytes);
  // Everything logged since the fixture was made.
  std::string LogText();

 private:
  std::unique_ptr<platform::sim::SimMachine> machine_;
};

// Position of `needle` in `haystack` at or after `from`, npos when missing.
size_t Find(const std::string& haystack, const std::string& needle, size_t from = 0);

}  // namespace catalog_test
