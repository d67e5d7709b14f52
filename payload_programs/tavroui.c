/* Substitute driver configuration module (the driver's "Configuration File"): the entry points a
   spooler and the common print dialogs look up in it, each giving the answer the Driver Kit
   documents for a driver that has no options of its own and no property pages. The driver's real
   settings (paper list, command set, print width) live in the printer's registry data, which the
   installer writes; this module reports a public DEVMODE with orientation and copies, and no
   private part. */
#include <stddef.h>

#include "payload_programs/printer_driver_ddi.h"

BOOL WINAPI TavroDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

/* The module's version. */
__declspec(dllexport) DWORD TavroUiVersion(void) { return TAVRO_PAYLOAD_VERSION; }

/* The DEVMODE fields this driver keeps. */
#define TAVRO_DM_FIELDS (DM_ORIENTATION | DM_COPIES)

static void ZeroBytes(void* to, DWORD count) {
  volatile BYTE* p = (volatile BYTE*)to;
  while (count-- > 0) *p++ = 0;
}

static void CopyBytes(void* to, const void* from, DWORD count) {
  volatile BYTE* d = (volatile BYTE*)to;
  const volatile BYTE* s = (const volatile BYTE*)from;
  while (count-- > 0) *d++ = *s++;
}

/* The driver's default DEVMODE for `printer` (the device name is cut to 31 characters). */
static void DefaultDevMode(const WCHAR* printer, DEVMODEW* dm) {
  ZeroBytes(dm, sizeof(DEVMODEW));
  if (printer != NULL) {
    for (int i = 0; i < CCHDEVICENAME - 1 && printer[i] != 0; ++i) dm->dmDeviceName[i] = printer[i];
  }
  dm->dmSpecVersion = DM_SPECVERSION;
  dm->dmDriverVersion = (WORD)(TAVRO_PAYLOAD_VERSION >> 8);
  dm->dmSize = sizeof(DEVMODEW);
  dm->dmDriverExtra = 0;
  dm->dmFields = TAVRO_DM_FIELDS;
  dm->dmOrientation = DMORIENT_PORTRAIT;
  dm->dmCopies = 1;
}

/* Takes from `in` the fields this driver keeps, where `in` sets them to values it accepts. */
static void MergeDevMode(const DEVMODEW* in, DEVMODEW* dm) {
  if (in == NULL || in->dmSize < offsetof(DEVMODEW, dmCopies) + sizeof(in->dmCopies)) return;
  if ((in->dmFields & DM_ORIENTATION) &&
      (in->dmOrientation == DMORIENT_PORTRAIT || in->dmOrientation == DMORIENT_LANDSCAPE))
    dm->dmOrientation = in->dmOrientation;
  if ((in->dmFields & DM_COPIES) && in->dmCopies >= 1) dm->dmCopies = in->dmCopies;
}

/* DrvDocumentPropertySheets: without a property sheet (pPSUIInfo NULL, lParam a document property
   header), fMode 0 or no output buffer asks for the DEVMODE's size (also set in cbOut); with
   DM_OUT_BUFFER the driver writes its DEVMODE, the input's accepted fields merged in when
   DM_IN_BUFFER is set, and answers CPSUI_OK; a buffer too small fails with
   ERROR_INSUFFICIENT_BUFFER. With a property sheet the driver adds no pages: it answers
   ERR_CPSUI_GETLASTERROR with ERROR_NOT_SUPPORTED, so that the dialog shows the common pages only
   or reports that the driver has none. */
__declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(void* pPSUIInfo, LPARAM lParam) {
  if (pPSUIInfo != NULL) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return TAVRO_ERR_CPSUI_GETLASTERROR;
  }
  TavroDocumentPropertyHeader* header = (TavroDocumentPropertyHeader*)lParam;
  if (header == NULL || header->cbSize < sizeof(TavroDocumentPropertyHeader)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return TAVRO_ERR_CPSUI_GETLASTERROR;
  }
  if (header->fMode == 0 || header->pdmOut == NULL) {
    header->cbOut = sizeof(DEVMODEW);
    return (LONG)sizeof(DEVMODEW);
  }
  if (header->cbOut < sizeof(DEVMODEW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return TAVRO_ERR_CPSUI_GETLASTERROR;
  }
  DEVMODEW dm;
  DefaultDevMode(header->pszPrinterName, &dm);
  if (header->fMode & DM_IN_BUFFER) MergeDevMode(header->pdmIn, &dm);
  if (header->fMode & DM_OUT_BUFFER) CopyBytes(header->pdmOut, &dm, sizeof(DEVMODEW));
  return TAVRO_CPSUI_OK;
}

/* DrvDevicePropertySheets: the printer's own property pages. This driver has none: it answers
   ERR_CPSUI_GETLASTERROR with ERROR_NOT_SUPPORTED. */
__declspec(dllexport) LONG WINAPI DrvDevicePropertySheets(void* pPSUIInfo, LPARAM lParam) {
  (void)pPSUIInfo;
  (void)lParam;
  SetLastError(ERROR_NOT_SUPPORTED);
  return TAVRO_ERR_CPSUI_GETLASTERROR;
}

/* DrvDeviceCapabilities: the answer for each capability the driver reports (a count of 0 where it
   lists nothing: no paper sizes, bins or resolutions of its own, no duplex, no colour, landscape
   not offered); GDI_ERROR for any other. */
__declspec(dllexport) DWORD WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap,
                                                         void* pvOutput, DEVMODEW* pDevMode) {
  (void)hPrinter;
  (void)pDeviceName;
  (void)pvOutput;
  (void)pDevMode;
  switch (iDevCap) {
    case DC_FIELDS:
      return TAVRO_DM_FIELDS;
    case DC_SIZE:
      return sizeof(DEVMODEW);
    case DC_EXTRA:
      return 0;  // no private DEVMODE part
    case DC_VERSION:
      return DM_SPECVERSION;
    case DC_DRIVER:
      return TAVRO_PAYLOAD_VERSION >> 8;
    case DC_COPIES:
      return 1;  // the most copies the device makes of itself
    case DC_ORIENTATION:
      return 0;  // no landscape orientation
    case DC_DUPLEX:
    case DC_COLLATE:
    case DC_COLORDEVICE:
      return 0;  // not supported
    case DC_PAPERS:
    case DC_PAPERNAMES:
    case DC_PAPERSIZE:
    case DC_BINS:
    case DC_BINNAMES:
    case DC_ENUMRESOLUTIONS:
    case DC_FILEDEPENDENCIES:
      return 0;  // nothing listed, so nothing is written to pvOutput
    default:
      return TAVRO_GDI_ERROR;
  }
}

/* DrvConvertDevMode: CDM_DRIVER_DEFAULT writes the driver's default DEVMODE; CDM_CONVERT and
   CDM_CONVERT351 write the input's accepted fields over the defaults (this driver knows one
   DEVMODE version). *pcbNeeded holds the output buffer's size on entry and the bytes needed or
   written on return; a buffer too small fails with ERROR_INSUFFICIENT_BUFFER. TRUE on success. */
__declspec(dllexport) BOOL WINAPI DrvConvertDevMode(LPWSTR pPrinterName, DEVMODEW* pdmIn, DEVMODEW* pdmOut,
                                                    LONG* pcbNeeded, DWORD fMode) {
  if (pcbNeeded == NULL ||
      (fMode != TAVRO_CDM_DRIVER_DEFAULT && fMode != TAVRO_CDM_CONVERT && fMode != TAVRO_CDM_CONVERT351) ||
      (fMode != TAVRO_CDM_DRIVER_DEFAULT && pdmIn == NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (pdmOut == NULL || *pcbNeeded < (LONG)sizeof(DEVMODEW)) {
    *pcbNeeded = sizeof(DEVMODEW);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  DEVMODEW dm;
  DefaultDevMode(pPrinterName, &dm);
  if (fMode != TAVRO_CDM_DRIVER_DEFAULT) MergeDevMode(pdmIn, &dm);
  CopyBytes(pdmOut, &dm, sizeof(DEVMODEW));
  *pcbNeeded = sizeof(DEVMODEW);
  return TRUE;
}

/* DrvPrinterEvent: a printer of this driver was added, initialised, deleted or changed. The driver
   keeps nothing per printer, so every event succeeds (TRUE). */
__declspec(dllexport) BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD Flags, LPARAM lParam) {
  (void)pPrinterName;
  (void)DriverEvent;
  (void)Flags;
  (void)lParam;
  return TRUE;
}

/* DrvDriverEvent: the driver was installed or is being removed. Nothing to set up or undo: TRUE. */
__declspec(dllexport) BOOL WINAPI DrvDriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo,
                                                 LPARAM lParam) {
  (void)dwDriverEvent;
  (void)dwLevel;
  (void)pDriverInfo;
  (void)lParam;
  return TRUE;
}

/* DrvUpgradePrinter: a printer moves to this version of the driver. No per-printer state to
   convert: TRUE. */
__declspec(dllexport) BOOL WINAPI DrvUpgradePrinter(DWORD Level, LPBYTE pDriverUpgradeInfo) {
  (void)Level;
  (void)pDriverUpgradeInfo;
  return TRUE;
}

/* DevQueryPrintEx: whether a job with this DEVMODE can print on the printer as it is set up. Every
   DEVMODE this driver accepts can: TRUE, with no error text (cchNeeded 0). */
__declspec(dllexport) BOOL WINAPI DevQueryPrintEx(TavroDevQueryPrintInfo* pDQPInfo) {
  if (pDQPInfo == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  pDQPInfo->cchNeeded = 0;
  return TRUE;
}
