/* The printer driver interface between the spooler (and GDI) and a driver's two modules, as the
   Windows Driver Kit's winddiui.h and winddi.h declare it. MinGW-w64's winddiui.h lacks most of
   it, and its winddi.h is the display-driver header (kernel-mode types): the records and constants
   the substitute modules use are declared here, in the kit's layout. */
#ifndef TAVRO_PRINTER_DRIVER_DDI_H
#define TAVRO_PRINTER_DRIVER_DDI_H

#include "payload_programs/payload_module.h"

/* ---- The configuration module (the driver's "Configuration File") ---- */

/* DrvDocumentPropertySheets: lParam when pPSUIInfo is NULL (a call without user interface). */
typedef struct TavroDocumentPropertyHeader {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} TavroDocumentPropertyHeader;

/* DevQueryPrintEx's one argument. */
typedef struct TavroDevQueryPrintInfo {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
} TavroDevQueryPrintInfo;

/* DrvConvertDevMode's fMode. */
#define TAVRO_CDM_CONVERT 0x01
#define TAVRO_CDM_CONVERT351 0x02
#define TAVRO_CDM_DRIVER_DEFAULT 0x04

/* Common property sheet results (compstui.h): failure with the thread's last error, and success. */
#define TAVRO_ERR_CPSUI_GETLASTERROR (-1)
#define TAVRO_CPSUI_OK 1

/* DrvDeviceCapabilities' answer for a capability the driver does not report. */
#define TAVRO_GDI_ERROR 0xFFFFFFFFu

/* ---- The rendering module (the driver's "Driver" file) ---- */

/* DrvQueryDriverInfo's dwMode: "is this a user-mode driver?" */
#define TAVRO_DRVQUERY_USERMODE 1

/* The graphics engine's driver versions (winddi.h DDI_DRIVER_VERSION_*). */
#define TAVRO_DDI_DRIVER_VERSION_NT4 0x00020000u
#define TAVRO_DDI_DRIVER_VERSION_NT5 0x00030000u

/* One driver function GDI may call, by its index. */
typedef struct TavroDrvFn {
  ULONG iFunc;
  void* pfn;
} TavroDrvFn;

/* What DrvEnableDriver hands the graphics engine. */
typedef struct TavroDrvEnableData {
  ULONG iDriverVersion;
  ULONG c;
  TavroDrvFn* pdrvfn;
} TavroDrvEnableData;

#endif
