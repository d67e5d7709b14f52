#include "catalog_test_support.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "catalog/model_catalog.h"
#include "catalog/paper_config.h"
#include "log/log.h"
#include "tests/support/fixture_support.h"

namespace catalog_test {

CatalogFixtureBase::CatalogFixtureBase() : machine_(new platform::sim::SimMachine()) {
  // The tables are process-wide; every test starts from the zeroed state of a fresh process.
  tavro_test::ResetSharedTables();
  LogAttachMachine(machine_.get());
}

CatalogFixtureBase::~CatalogFixtureBase() {
  tavro_test::BindLog(nullptr);
}

void CatalogFixtureBase::SetAnsiCodePage(uint32_t code_page) {
  machine_->codepage().SetAnsiCodePage(code_page);
}

void CatalogFixtureBase::PutFile(const std::wstring& path, const std::string& bytes) {
  machine_->files().PutFile(path, bytes);
}

std::string CatalogFixtureBase::LogText() { return tavro_test::ReadLog(*machine_); }

size_t Find(const std::string& haystack, const std::string& needle, size_t from) {
  return haystack.find(needle, from);
}

}  // namespace catalog_test
