/* Substitute rendering module (the driver's "Driver" file): the entry points the graphics engine
   looks up when it loads a printer driver. This module renders nothing: it says it is a user-mode
   driver and enables with no driver functions, so that a device context for the printer is
   refused cleanly (the engine finds no DrvEnablePDEV) instead of drawing anything. */
#include "payload_programs/printer_driver_ddi.h"

BOOL WINAPI TavroDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

/* The module's version. */
__declspec(dllexport) DWORD TavroDriverVersion(void) { return TAVRO_PAYLOAD_VERSION; }

/* DrvQueryDriverInfo: DRVQUERY_USERMODE asks whether this is a user-mode driver; the answer, a
   DWORD TRUE, goes into pBuffer (printer drivers run in user mode from Windows Vista on). A buffer
   under 4 bytes fails with ERROR_INSUFFICIENT_BUFFER and the size in *pcbNeeded; any other mode
   fails with ERROR_INVALID_PARAMETER. */
__declspec(dllexport) BOOL WINAPI DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded) {
  if (dwMode != TAVRO_DRVQUERY_USERMODE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pcbNeeded != NULL) *pcbNeeded = sizeof(DWORD);
  if (pBuffer == NULL || cbBuf < sizeof(DWORD)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *(DWORD*)pBuffer = TRUE;
  return TRUE;
}

/* DrvEnableDriver: the engine's DDI version must be NT4's or later and the record large enough,
   else FALSE. The driver answers with the NT4 DDI version and an empty function table (c = 0): it
   hooks nothing, so the engine has no DrvEnablePDEV to call and refuses a device context for the
   printer. TRUE. */
__declspec(dllexport) BOOL WINAPI DrvEnableDriver(ULONG iEngineVersion, ULONG cj, TavroDrvEnableData* pded) {
  if (iEngineVersion < TAVRO_DDI_DRIVER_VERSION_NT4 || pded == NULL || cj < sizeof(TavroDrvEnableData)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  pded->iDriverVersion = TAVRO_DDI_DRIVER_VERSION_NT4;
  pded->c = 0;
  pded->pdrvfn = NULL;
  return TRUE;
}

/* DrvDisableDriver: the engine unloads the driver; DrvEnableDriver allocated nothing to free. */
__declspec(dllexport) void WINAPI DrvDisableDriver(void) {}
