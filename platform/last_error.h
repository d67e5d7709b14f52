// The calling thread's last Win32 error code, as both backends report it.
#pragma once

#include <cstdint>

namespace platform {

// Win32 error codes the logic names; values are those of winerror.h.
namespace err {
constexpr uint32_t kSuccess = 0;
constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kInvalidHandle = 6;
constexpr uint32_t kNotEnoughMemory = 8;
constexpr uint32_t kInvalidData = 13;
constexpr uint32_t kWriteFault = 29;
constexpr uint32_t kOutOfMemory = 14;
constexpr uint32_t kNotSupported = 50;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kInsufficientBuffer = 122;
constexpr uint32_t kBadPathname = 161;
constexpr uint32_t kAlreadyExists = 183;
constexpr uint32_t kMoreData = 234;
constexpr uint32_t kNoMoreItems = 259;
constexpr uint32_t kServiceAlreadyRunning = 1056;
constexpr uint32_t kNoUnicodeTranslation = 1113;
constexpr uint32_t kCancelled = 1223;
constexpr uint32_t kResourceTypeNotFound = 1813;
constexpr uint32_t kResourceNameNotFound = 1814;
}  // namespace err

// Returns the code the last failing seam call of this thread left.
uint32_t LastErrorCode();

// Sets the calling thread's code; on Windows also the real last-error value.
void SetLastErrorCode(uint32_t code);

}  // namespace platform
