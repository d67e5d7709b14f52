#include "log/system_banner.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "log/log_format.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "platform/system_info.h"
#include "text/case_fold.h"

namespace {

// GBK bytes; the Chinese beside each is what they spell.
constexpr const char* kTitle = "\xCF\xB5\xCD\xB3\xD0\xC5\xCF\xA2";  // 系统信息
constexpr const char* kDeviceName = "\xC9\xE8\xB1\xB8\xC3\xFB\xB3\xC6: %s\n";  // 设备名称: %s\n
constexpr const char* kOs = "\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3: %s\n";  // 操作系统: %s\n
constexpr const char* kOsWindows = "\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3: Windows";  // 操作系统: Windows
constexpr const char* kReleaseLine = "\xB0\xE6\xB1\xBE\xBA\xC5: %s\n";  // 版本号: %s\n
// 操作系统版本: %lu.%lu.%lu.%lu\n and 操作系统版本: %lu.%lu.%lu\n
constexpr const char* kVersion4 = "\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3\xB0\xE6\xB1\xBE: %lu.%lu.%lu.%lu\n";
constexpr const char* kVersion3 = "\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3\xB0\xE6\xB1\xBE: %lu.%lu.%lu\n";
// 系统类型: 64位操作系统, 基于 x64 的处理器\n
constexpr const char* kTypeX64 =
    "\xCF\xB5\xCD\xB3\xC0\xE0\xD0\xCD: 64\xCE\xBB\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3, \xBB\xF9\xD3\xDA x64 "
    "\xB5\xC4\xB4\xA6\xC0\xED\xC6\xF7\n";
// 系统类型: 32位操作系统, 基于 x86 的处理器\n
constexpr const char* kTypeX86 =
    "\xCF\xB5\xCD\xB3\xC0\xE0\xD0\xCD: 32\xCE\xBB\xB2\xD9\xD7\xF7\xCF\xB5\xCD\xB3, \xBB\xF9\xD3\xDA x86 "
    "\xB5\xC4\xB4\xA6\xC0\xED\xC6\xF7\n";
// 系统类型: 基于 ARM 的处理器\n
constexpr const char* kTypeArm = "\xCF\xB5\xCD\xB3\xC0\xE0\xD0\xCD: \xBB\xF9\xD3\xDA ARM \xB5\xC4\xB4\xA6\xC0\xED\xC6\xF7\n";
constexpr const char* kTypeUnknown = "\xCF\xB5\xCD\xB3\xC0\xE0\xD0\xCD: \xCE\xB4\xD6\xAA\xBC\xDC\xB9\xB9\n";  // 系统类型: 未知架构\n
constexpr const char* kLogicalProcessors = "%lu \xB8\xF6\xC2\xDF\xBC\xAD\xB4\xA6\xC0\xED\xC6\xF7";  // %lu 个逻辑处理器
constexpr const char* kProcessor = "\xB4\xA6\xC0\xED\xC6\xF7: %s\n";  // 处理器: %s\n
constexpr const char* kRam = "\xBB\xFA\xB4\xF8 RAM: %.1f GB (%.1f GB \xBF\xC9\xD3\xC3)\n";  // 机带 RAM: %.1f GB (%.1f GB 可用)\n
// 体验: Windows 功能体验包 %s\n
constexpr const char* kExperience = "\xCC\xE5\xD1\xE9: Windows \xB9\xA6\xC4\xDC\xCC\xE5\xD1\xE9\xB0\xFC %s\n";
constexpr const char* kDeviceId = "\xC9\xE8\xB1\xB8 ID: %s\n";  // 设备 ID: %s\n

struct Edition {
  const char* id;
  const char* name;
};

constexpr Edition kEditions[] = {
    {"Professional", "\xD7\xA8\xD2\xB5\xB0\xE6"},                                       // 专业版
    {"ProfessionalEducation", "\xD7\xA8\xD2\xB5\xBD\xCC\xD3\xFD\xB0\xE6"},              // 专业教育版
    {"ProfessionalWorkstation", "\xD7\xA8\xD2\xB5\xB9\xA4\xD7\xF7\xD5\xBE\xB0\xE6"},    // 专业工作站版
    {"Enterprise", "\xC6\xF3\xD2\xB5\xB0\xE6"},                                         // 企业版
    {"EnterpriseG", "\xC6\xF3\xD2\xB5\xB0\xE6 G"},                                      // 企业版 G
    {"EnterpriseGN", "\xC6\xF3\xD2\xB5\xB0\xE6 GN"},                                    // 企业版 GN
    {"Education", "\xBD\xCC\xD3\xFD\xB0\xE6"},                                          // 教育版
    {"Home", "\xBC\xD2\xCD\xA5\xB0\xE6"},                                               // 家庭版
    {"HomeSingleLanguage", "\xBC\xD2\xCD\xA5\xB5\xA5\xD3\xEF\xD1\xD4\xB0\xE6"},         // 家庭单语言版
    {"Core", "\xBA\xCB\xD0\xC4\xB0\xE6"},                                               // 核心版
    {"CoreCountrySpecific", "\xBC\xD2\xCD\xA5\xD6\xD0\xCE\xC4\xB0\xE6"},                // 家庭中文版
    {"CoreSingleLanguage", "\xBA\xCB\xD0\xC4\xB5\xA5\xD3\xEF\xD1\xD4\xB0\xE6"},         // 核心单语言版
    {"Ultimate", "\xC6\xEC\xBD\xA2\xB0\xE6"},                                           // 旗舰版
    {"HomePremium", "\xBC\xD2\xCD\xA5\xB8\xDF\xBC\xB6\xB0\xE6"},                        // 家庭高级版
    {"HomeBasic", "\xBC\xD2\xCD\xA5\xC6\xD5\xCD\xA8\xB0\xE6"},                          // 家庭普通版
    {"Starter", "\xBC\xF2\xD2\xD7\xB0\xE6"},                                            // 简易版
    {"ServerStandard", "\xB1\xEA\xD7\xBC\xB0\xE6"},                                     // 标准版
    {"ServerDatacenter", "\xCA\xFD\xBE\xDD\xD6\xD0\xD0\xC4\xB0\xE6"},                   // 数据中心版
};

constexpr const wchar_t* kCurrentVersionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const wchar_t* kProcessorKey = L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr const wchar_t* kOrchestratorKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Orchestrator";
constexpr const wchar_t* kCryptographyKey = L"SOFTWARE\\Microsoft\\Cryptography";
constexpr double kBytesToGiB = 9.313225746154785e-10;  // 2^-30

class BannerReader {
 public:
  explicit BannerReader(platform::Machine& machine) : machine_(machine) {}

  // A string value as RegQueryValueExA gives it in a buffer of `size` bytes, in the 64-bit view;
  // "" when missing, of another type, or too long for the buffer (ERROR_MORE_DATA).
  std::string String(const wchar_t* key, const wchar_t* name, size_t size, bool sz_only) {
    platform::RegValue value;
    if (!machine_.registry().QueryValue(platform::Hive::kLocalMachine, key, name, platform::RegView::k64, &value))
      return std::string();
    bool is_text = value.type == platform::regtype::kSz ||
                   (!sz_only && (value.type == platform::regtype::kExpandSz || value.type == platform::regtype::kMultiSz));
    if (!is_text) return std::string();
    std::string text = machine_.codepage().ToAnsi(value.AsString());
    if (text.size() + 1 > size) return std::string();
    return text;
  }

  bool Dword(const wchar_t* key, const wchar_t* name, uint32_t* out) {
    platform::RegValue value;
    if (!machine_.registry().QueryValue(platform::Hive::kLocalMachine, key, name, platform::RegView::k64, &value))
      return false;
    if (value.type != platform::regtype::kDword || value.data.size() != 4) return false;
    *out = value.AsDword();
    return true;
  }

 private:
  platform::Machine& machine_;
};

void Append(std::string* out, const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  size_t n = LogFormatV(nullptr, line, sizeof(line), format, args);
  va_end(args);
  out->append(line, n);
}

const char* WindowsName(uint32_t major, uint32_t minor, uint32_t build) {
  if (major == 10 && minor == 0) return build >= 22000 ? " 11" : " 10";
  if (major == 6) {
    switch (minor) {
      case 3: return " 8.1";
      case 2: return " 8";
      case 1: return " 7";
      case 0: return " Vista";
      default: return "";
    }
  }
  if (major == 5 && minor == 2) return " Server 2003/XP x64";
  if (major == 5 && minor == 1) return " XP";
  return "";
}

}  // namespace

std::string EditionName(const std::string& edition_id) {
  if (edition_id.empty()) return std::string();
  for (const Edition& edition : kEditions) {
    if (EqualsIgnoringAsciiCase(edition.id, edition_id.c_str())) return edition.name;
  }
  return edition_id;
}

namespace {

// The Windows version the banner reports: the CurrentVersion key's numbers where it has them
// (Windows 10 and later), the version call's otherwise.
struct BannerVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  uint32_t revision = 0;
  bool have_call = false;
  platform::VersionInfo call;
};

BannerVersion ReadBannerVersion(platform::Machine& machine, BannerReader& reader) {
  BannerVersion v;
  v.have_call = machine.system().Version(&v.call);
  if (reader.Dword(kCurrentVersionKey, L"CurrentMajorVersionNumber", &v.major)) {
    reader.Dword(kCurrentVersionKey, L"CurrentMinorVersionNumber", &v.minor);
    v.build = static_cast<uint32_t>(
        std::strtoul(reader.String(kCurrentVersionKey, L"CurrentBuildNumber", 32, false).c_str(), nullptr, 10));
  } else if (v.have_call) {
    v.major = v.call.major;
    v.minor = v.call.minor;
    v.build = v.call.build;
  }
  reader.Dword(kCurrentVersionKey, L"UBR", &v.revision);
  return v;
}

// GetComputerNameA with 16 characters of room: a longer ANSI form does not fit and is left out.
void AppendComputerName(platform::Machine& machine, std::string* out) {
  std::wstring computer;
  if (!machine.system().ComputerName(&computer)) return;
  const std::string name = machine.codepage().ToAnsi(computer);
  if (!name.empty() && name.size() <= 15) Append(out, kDeviceName, name.c_str());
}

// The product name (renamed to Windows 11 from build 22000 on, as Windows 11 still calls itself
// Windows 10 there), the release, the version numbers and the service pack.
void AppendWindowsLines(platform::Machine& machine, BannerReader& reader, const BannerVersion& v, std::string* out) {
  const bool windows11 = v.major == 10 && v.minor == 0 && v.build >= 22000;
  std::string product = reader.String(kCurrentVersionKey, L"ProductName", 128, false);
  const std::string edition = EditionName(reader.String(kCurrentVersionKey, L"EditionID", 64, false));
  if (!product.empty()) {
    const size_t at = product.find("Windows 10");
    if (windows11 && at != std::string::npos) {
      char renamed[128];
      LogFormat(nullptr, renamed, sizeof(renamed), "Windows 11%s", product.c_str() + at + std::strlen("Windows 10"));
      product = renamed;
    }
    Append(out, kOs, product.c_str());
  } else {
    *out += kOsWindows;
    *out += WindowsName(v.major, v.minor, v.build);
    if (!edition.empty()) Append(out, " %s", edition.c_str());
    *out += "\n";
  }

  std::string release = reader.String(kCurrentVersionKey, L"DisplayVersion", 32, false);
  if (release.empty()) release = reader.String(kCurrentVersionKey, L"ReleaseId", 32, false);
  if (!release.empty()) Append(out, kReleaseLine, release.c_str());

  if (v.revision != 0) Append(out, kVersion4, v.major, v.minor, v.build, v.revision);
  else Append(out, kVersion3, v.major, v.minor, v.build);

  if (v.have_call && !v.call.service_pack.empty())
    Append(out, "Service Pack: %s\n", machine.codepage().ToAnsi(v.call.service_pack).c_str());
}

// The system type, the processor and the memory.
void AppendHardwareLines(platform::Machine& machine, BannerReader& reader, std::string* out) {
  const platform::NativeSystemInfo native = machine.system().NativeInfo();
  switch (native.processor_architecture) {
    case 9: *out += kTypeX64; break;
    case 0: *out += kTypeX86; break;
    case 5: *out += kTypeArm; break;
    default: *out += kTypeUnknown; break;
  }

  std::string processor = reader.String(kProcessorKey, L"ProcessorNameString", 256, false);
  if (processor.empty()) {
    char count[64];
    LogFormat(nullptr, count, sizeof(count), kLogicalProcessors, native.number_of_processors);
    processor = count;
  }
  Append(out, kProcessor, processor.c_str());

  platform::MemoryStatus memory;
  if (machine.system().Memory(&memory)) {
    Append(out, kRam, static_cast<double>(memory.total_physical) * kBytesToGiB,
           static_cast<double>(memory.available_physical) * kBytesToGiB);
  }
}

// The Windows experience pack and the device id (the product id, else the machine GUID).
void AppendIdentityLines(BannerReader& reader, std::string* out) {
  const std::string experience = reader.String(kOrchestratorKey, L"Experience", 256, true);
  if (!experience.empty()) Append(out, kExperience, experience.c_str());

  std::string device_id = reader.String(kCurrentVersionKey, L"ProductId", 256, true);
  if (device_id.empty()) device_id = reader.String(kCryptographyKey, L"MachineGuid", 256, false);
  if (!device_id.empty()) Append(out, kDeviceId, device_id.c_str());
}

}  // namespace

std::string BuildSystemBanner(platform::Machine& machine) {
  BannerReader reader(machine);
  const BannerVersion version = ReadBannerVersion(machine, reader);
  const std::string rule(103, '=');
  std::string out;
  out += rule + "\n";
  out += std::string(10, '\t') + std::string(5, ' ') + kTitle + std::string(12, '\t') + std::string(3, ' ') + "\n";
  out += rule + "\n";
  AppendComputerName(machine, &out);
  AppendWindowsLines(machine, reader, version, &out);
  AppendHardwareLines(machine, reader, &out);
  AppendIdentityLines(reader, &out);
  out += rule + "\n\n";
  return out;
}

void WriteSystemBanner(platform::Machine& machine, platform::File* file) {
  if (file == nullptr) return;
  std::string banner = BuildSystemBanner(machine);
  file->Write(banner.data(), banner.size());
}
