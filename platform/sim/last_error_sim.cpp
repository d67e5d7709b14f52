#include "platform/last_error.h"

namespace platform {

namespace {
thread_local uint32_t g_last_error = 0;
}

uint32_t LastErrorCode() { return g_last_error; }
void SetLastErrorCode(uint32_t code) { g_last_error = code; }

}  // namespace platform
