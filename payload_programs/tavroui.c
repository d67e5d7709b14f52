/* Substitute driver user-interface module: a DLL that loads, attaches and answers one query. */
#include "payload_programs/payload_module.h"

BOOL WINAPI TavroDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

/* The module's version; the only export. */
__declspec(dllexport) DWORD TavroUiVersion(void) { return TAVRO_PAYLOAD_VERSION; }
