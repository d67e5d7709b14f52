#include <windows.h>

#include "platform/last_error.h"

namespace platform {

uint32_t LastErrorCode() { return ::GetLastError(); }
void SetLastErrorCode(uint32_t code) { ::SetLastError(code); }

}  // namespace platform
