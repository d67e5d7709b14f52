/* Substitute port monitor DLL (the installer copies it into the system folder as
   TavroPrintMon.dll and registers it with AddMonitorW on 32-bit Windows): a print monitor a
   spooler can load through InitializePrintMonitor2. It keeps its ports as the subkeys of "Ports"
   under the monitor's registry key, lists them (EnumPorts), adds them without user interface
   (AddPortEx level 1, and XcvData "AddPort" / "DeletePort" / "MonitorUI"), and sends a job's bytes
   to the port's "Target" value (a device or file path written by whoever attaches the printer;
   a port without one reports ERROR_NOT_READY at StartDocPort, so nothing is silently dropped).

   The registry is reached through the spooler's MONITORREG functions, as a cluster-aware monitor
   must; where the spooler hands out MONITORREG functions that are not implemented (they answer
   ERROR_CALL_NOT_IMPLEMENTED), the registry root it hands over is a key handle, and the monitor
   keeps a key of its own opened from it. */
#include "payload_programs/payload_module.h"

#include <winspool.h>
#include <winsplp.h>

#define TAVRO_PORT_CHARS 128
#define TAVRO_TARGET_CHARS MAX_PATH

static const WCHAR kPortsKey[] = L"Ports";
static const WCHAR kTargetValue[] = L"Target";
static const WCHAR kDescription[] = L"Tavro USB Printer Port";
static const WCHAR kUiModule[] = L"TavroPrintMonUI.dll";

static HINSTANCE g_instance;
static WCHAR g_monitor_dll[MAX_PATH];  /* this module's file name, the ports' monitor name */

BOOL WINAPI TavroDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    g_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

/* ---- The registry: the spooler's MONITORREG, or a key of our own ---- */

typedef struct Store {
  HANDLE spooler;
  HANDLE root;       /* hckRegistryRoot, for MONITORREG */
  PMONITORREG reg;   /* NULL: `own` is used */
  HKEY own;          /* the monitor's key, opened from the root the spooler handed over */
} Store;

static Store g_store;

static LONG KeyOpen(HANDLE parent, LPCWSTR sub, BOOL create, HANDLE* out) {
  if (g_store.reg != NULL) {
    DWORD disposition = 0;
    return create ? g_store.reg->fpCreateKey(parent, sub, 0, KEY_ALL_ACCESS, NULL, out, &disposition, g_store.spooler)
                  : g_store.reg->fpOpenKey(parent, sub, KEY_ALL_ACCESS, out, g_store.spooler);
  }
  return create ? RegCreateKeyExW((HKEY)parent, sub, 0, NULL, 0, KEY_ALL_ACCESS, NULL, (HKEY*)out, NULL)
                : RegOpenKeyExW((HKEY)parent, sub, 0, KEY_ALL_ACCESS, (HKEY*)out);
}

static void KeyClose(HANDLE key) {
  if (g_store.reg != NULL) g_store.reg->fpCloseKey(key, g_store.spooler);
  else RegCloseKey((HKEY)key);
}

static LONG KeyDelete(HANDLE parent, LPCWSTR sub) {
  return g_store.reg != NULL ? g_store.reg->fpDeleteKey(parent, sub, g_store.spooler) : RegDeleteKeyW((HKEY)parent, sub);
}

static LONG KeyEnum(HANDLE key, DWORD index, LPWSTR name, DWORD chars) {
  DWORD size = chars;
  return g_store.reg != NULL ? g_store.reg->fpEnumKey(key, index, name, &size, NULL, g_store.spooler)
                             : RegEnumKeyExW((HKEY)key, index, name, &size, NULL, NULL, NULL, NULL);
}

static LONG KeyQuery(HANDLE key, LPCWSTR value, BYTE* data, DWORD* bytes) {
  DWORD type = 0;
  LONG result = g_store.reg != NULL ? g_store.reg->fpQueryValue(key, value, &type, data, bytes, g_store.spooler)
                                    : RegQueryValueExW((HKEY)key, value, NULL, &type, data, bytes);
  return result == ERROR_SUCCESS && type != REG_SZ ? ERROR_INVALID_DATA : result;
}

static HANDLE StoreRoot(void) { return g_store.reg != NULL ? g_store.root : (HANDLE)g_store.own; }

/* Takes the spooler's registry access: its MONITORREG when it works, else a key of our own. */
static BOOL StoreInit(const MONITORINIT* init) {
  HANDLE probe = NULL;
  g_store.spooler = init->hSpooler;
  g_store.root = init->hckRegistryRoot;
  g_store.reg = init->pMonitorReg;
  g_store.own = NULL;
  if (g_store.reg != NULL && g_store.reg->cbSize >= sizeof(MONITORREG)) {
    LONG result = KeyOpen(g_store.root, kPortsKey, TRUE, &probe);
    if (result == ERROR_SUCCESS) {
      KeyClose(probe);
      return TRUE;
    }
    if (result != ERROR_CALL_NOT_IMPLEMENTED) return FALSE;
  }
  g_store.reg = NULL;
  return RegOpenKeyExW((HKEY)init->hckRegistryRoot, NULL, 0, KEY_ALL_ACCESS, &g_store.own) == ERROR_SUCCESS;
}

/* The name of port `index` (in the registry's order) into `name`; FALSE past the last. */
static BOOL PortAt(HANDLE ports, DWORD index, WCHAR name[TAVRO_PORT_CHARS]) {
  return ports != NULL && KeyEnum(ports, index, name, TAVRO_PORT_CHARS) == ERROR_SUCCESS;
}

/* The monitor's "Ports" key, or NULL when it has none yet. */
static HANDLE OpenPorts(void) {
  HANDLE ports = NULL;
  return KeyOpen(StoreRoot(), kPortsKey, FALSE, &ports) == ERROR_SUCCESS ? ports : NULL;
}

/* Whether `port` is one of ours (names compared without case, as the spooler compares them). */
static BOOL HasPort(LPCWSTR port) {
  WCHAR name[TAVRO_PORT_CHARS];
  BOOL found = FALSE;
  HANDLE ports = OpenPorts();
  for (DWORD i = 0; !found && PortAt(ports, i, name); ++i) found = lstrcmpiW(name, port) == 0;
  if (ports != NULL) KeyClose(ports);
  return found;
}

/* A port name this monitor accepts: 1 to 127 characters, no backslash (it becomes a key name). */
static BOOL ValidPortName(LPCWSTR port) {
  int length = port != NULL ? lstrlenW(port) : 0;
  if (length < 1 || length >= TAVRO_PORT_CHARS) return FALSE;
  for (int i = 0; i < length; ++i)
    if (port[i] == L'\\') return FALSE;
  return TRUE;
}

/* Adds `port`: ERROR_SUCCESS, ERROR_ALREADY_EXISTS, or the failure's code. */
static DWORD AddPortKey(LPCWSTR port) {
  HANDLE ports = NULL, key = NULL;
  DWORD result;
  if (!ValidPortName(port)) return ERROR_INVALID_PARAMETER;
  if (HasPort(port)) return ERROR_ALREADY_EXISTS;
  result = (DWORD)KeyOpen(StoreRoot(), kPortsKey, TRUE, &ports);
  if (result != ERROR_SUCCESS) return result;
  result = (DWORD)KeyOpen(ports, port, TRUE, &key);
  if (result == ERROR_SUCCESS) KeyClose(key);
  KeyClose(ports);
  return result;
}

static DWORD DeletePortKey(LPCWSTR port) {
  HANDLE ports = NULL;
  DWORD result;
  if (!ValidPortName(port) || !HasPort(port)) return ERROR_UNKNOWN_PORT;
  result = (DWORD)KeyOpen(StoreRoot(), kPortsKey, FALSE, &ports);
  if (result != ERROR_SUCCESS) return result;
  result = (DWORD)KeyDelete(ports, port);
  KeyClose(ports);
  return result;
}

/* ---- The monitor's functions ---- */

static DWORD Bytes(LPCWSTR text) { return (DWORD)(lstrlenW(text) + 1) * sizeof(WCHAR); }

static LPBYTE PutText(LPBYTE at, LPCWSTR text, LPWSTR* field) {
  *field = (LPWSTR)at;
  lstrcpyW(*field, text);
  return at + Bytes(text);
}

/* EnumPorts: PORT_INFO_1 or PORT_INFO_2 records of this monitor's ports (monitor name: this
   DLL's file name; writable ports). ERROR_INSUFFICIENT_BUFFER with the size when it does not fit;
   ERROR_INVALID_LEVEL for other levels. */
static BOOL WINAPI EnumPortsImpl(HANDLE monitor, LPWSTR name, DWORD level, LPBYTE ports, DWORD size, LPDWORD needed,
                                 LPDWORD returned) {
  WCHAR port[TAVRO_PORT_CHARS];
  DWORD count = 0, entry, total = 0, i;
  LPBYTE text;
  HANDLE key;
  (void)monitor;
  (void)name;
  if (needed == NULL || returned == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *returned = 0;
  if (level != 1 && level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  entry = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  key = OpenPorts();
  for (; PortAt(key, count, port); ++count) {
    total += entry + Bytes(port);
    if (level == 2) total += Bytes(g_monitor_dll) + Bytes(kDescription);
  }
  *needed = total;
  if (size < total || (total > 0 && ports == NULL)) {
    if (key != NULL) KeyClose(key);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  text = ports + count * entry;
  for (i = 0; i < count && PortAt(key, i, port); ++i) {
    if (level == 1) {
      text = PutText(text, port, &((PORT_INFO_1W*)ports)[i].pName);
    } else {
      PORT_INFO_2W* info = &((PORT_INFO_2W*)ports)[i];
      text = PutText(text, port, &info->pPortName);
      text = PutText(text, g_monitor_dll, &info->pMonitorName);
      text = PutText(text, kDescription, &info->pDescription);
      info->fPortType = PORT_TYPE_WRITE;
      info->Reserved = 0;
    }
  }
  if (key != NULL) KeyClose(key);
  *returned = i;
  return TRUE;
}

/* An open port: its name and, during a job, the target it writes to. */
typedef struct Port {
  WCHAR name[TAVRO_PORT_CHARS];
  HANDLE target;
} Port;

static BOOL WINAPI OpenPortImpl(HANDLE monitor, LPWSTR name, PHANDLE handle) {
  Port* port;
  (void)monitor;
  if (handle == NULL || !ValidPortName(name) || !HasPort(name)) {
    SetLastError(ERROR_UNKNOWN_PORT);
    return FALSE;
  }
  port = (Port*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Port));
  if (port == NULL) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  lstrcpynW(port->name, name, TAVRO_PORT_CHARS);
  port->target = INVALID_HANDLE_VALUE;
  *handle = (HANDLE)port;
  return TRUE;
}

/* StartDocPort: opens the port's "Target" (an existing device or file) for the job's bytes; a
   port without a target is not ready (ERROR_NOT_READY). */
static BOOL WINAPI StartDocPortImpl(HANDLE handle, LPWSTR printer, DWORD job, DWORD level, LPBYTE doc_info) {
  Port* port = (Port*)handle;
  WCHAR target[TAVRO_TARGET_CHARS];
  DWORD bytes = sizeof(target) - sizeof(WCHAR);
  HANDLE ports = NULL, key = NULL;
  LONG result;
  (void)printer;
  (void)job;
  (void)level;
  (void)doc_info;
  if (port == NULL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (port->target != INVALID_HANDLE_VALUE) return TRUE;  // the job is already started
  result = KeyOpen(StoreRoot(), kPortsKey, FALSE, &ports);
  if (result == ERROR_SUCCESS) {
    result = KeyOpen(ports, port->name, FALSE, &key);
    KeyClose(ports);
  }
  if (result == ERROR_SUCCESS) {
    result = KeyQuery(key, kTargetValue, (BYTE*)target, &bytes);
    KeyClose(key);
  }
  if (result != ERROR_SUCCESS || bytes < 2 * sizeof(WCHAR)) {
    SetLastError(ERROR_NOT_READY);
    return FALSE;
  }
  target[bytes / sizeof(WCHAR)] = 0;
  port->target = CreateFileW(target, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  return port->target != INVALID_HANDLE_VALUE;  // CreateFileW's error stays the last error
}

static BOOL WINAPI WritePortImpl(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD written) {
  Port* port = (Port*)handle;
  if (written != NULL) *written = 0;
  if (port == NULL || written == NULL || port->target == INVALID_HANDLE_VALUE) {
    SetLastError(port == NULL ? ERROR_INVALID_HANDLE : ERROR_NOT_READY);
    return FALSE;
  }
  return WriteFile(port->target, buffer, size, written, NULL);
}

/* ReadPort: the printer sends nothing back through this monitor. */
static BOOL WINAPI ReadPortImpl(HANDLE handle, LPBYTE buffer, DWORD size, LPDWORD read) {
  (void)handle;
  (void)buffer;
  (void)size;
  if (read != NULL) *read = 0;
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

static BOOL WINAPI EndDocPortImpl(HANDLE handle) {
  Port* port = (Port*)handle;
  if (port == NULL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (port->target != INVALID_HANDLE_VALUE) CloseHandle(port->target);
  port->target = INVALID_HANDLE_VALUE;
  return TRUE;
}

static BOOL WINAPI ClosePortImpl(HANDLE handle) {
  Port* port = (Port*)handle;
  if (port == NULL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  EndDocPortImpl(handle);
  HeapFree(GetProcessHeap(), 0, port);
  return TRUE;
}

/* AddPortEx: level 1 (PORT_INFO_1) adds the named port without user interface. Windows' own
   port dialogs reach the monitor through XcvData ("AddPort", "DeletePort"); spoolers that call a
   monitor's AddPortEx and DeletePort directly (Wine's among them) get the same answers here. */
static BOOL WINAPI AddPortExImpl(HANDLE monitor, LPWSTR name, DWORD level, LPBYTE buffer, LPWSTR monitor_name) {
  DWORD result;
  (void)monitor;
  (void)name;
  (void)monitor_name;
  if (level != 1) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  if (buffer == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  result = AddPortKey(((PORT_INFO_1W*)buffer)->pName);
  SetLastError(result);
  return result == ERROR_SUCCESS;
}

/* DeletePort: removes the named port, without user interface (hWnd is not used). */
static BOOL WINAPI DeletePortImpl(HANDLE monitor, LPWSTR name, HWND window, LPWSTR port) {
  DWORD result;
  (void)monitor;
  (void)name;
  (void)window;
  result = DeletePortKey(port);
  SetLastError(result);
  return result == ERROR_SUCCESS;
}

/* An Xcv handle carries nothing: every command names its port in its input. */
static BOOL WINAPI XcvOpenPortImpl(HANDLE monitor, LPCWSTR object, ACCESS_MASK access, PHANDLE xcv) {
  (void)monitor;
  (void)object;
  (void)access;
  if (xcv == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *xcv = (HANDLE)&g_store;
  return TRUE;
}

/* The NUL-terminated port name an input carries, or NULL. */
static LPCWSTR PortOf(PBYTE input, DWORD bytes) {
  LPCWSTR name = (LPCWSTR)input;
  if (input == NULL || bytes < 2 * sizeof(WCHAR) || name[bytes / sizeof(WCHAR) - 1] != 0) return NULL;
  return name;
}

/* XcvData: "MonitorUI" names the user-interface DLL; "AddPort" and "DeletePort" take the port
   name as input. Answers a Win32 code. */
static DWORD WINAPI XcvDataPortImpl(HANDLE xcv, LPCWSTR command, PBYTE input, DWORD input_bytes, PBYTE output,
                                    DWORD output_bytes, PDWORD needed) {
  LPCWSTR port;
  (void)xcv;
  if (command == NULL) return ERROR_INVALID_PARAMETER;
  if (lstrcmpW(command, L"MonitorUI") == 0) {
    if (needed != NULL) *needed = sizeof(kUiModule);
    if (output == NULL || output_bytes < sizeof(kUiModule)) return ERROR_INSUFFICIENT_BUFFER;
    lstrcpyW((LPWSTR)output, kUiModule);
    return ERROR_SUCCESS;
  }
  port = PortOf(input, input_bytes);
  if (lstrcmpW(command, L"AddPort") == 0) return port != NULL ? AddPortKey(port) : ERROR_INVALID_PARAMETER;
  if (lstrcmpW(command, L"DeletePort") == 0) return port != NULL ? DeletePortKey(port) : ERROR_INVALID_PARAMETER;
  return ERROR_INVALID_PARAMETER;
}

static BOOL WINAPI XcvClosePortImpl(HANDLE xcv) {
  (void)xcv;
  return TRUE;
}

static VOID WINAPI ShutdownImpl(HANDLE monitor) {
  (void)monitor;
  if (g_store.own != NULL) RegCloseKey(g_store.own);
  g_store.own = NULL;
}

static MONITOR2 g_monitor2;

/* The spooler's entry point: the monitor's functions, or NULL with the last error when the
   registry cannot be reached. */
__declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
  WCHAR path[MAX_PATH];
  DWORD length;
  LPCWSTR base;
  if (init == NULL || monitor == NULL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return NULL;
  }
  if (!StoreInit(init)) {
    SetLastError(ERROR_CANTOPEN);
    return NULL;
  }
  length = GetModuleFileNameW(g_instance, path, MAX_PATH);
  base = path;
  for (DWORD i = 0; i < length && i < MAX_PATH; ++i)
    if (path[i] == L'\\' || path[i] == L'/') base = &path[i + 1];
  lstrcpynW(g_monitor_dll, length > 0 ? base : L"TavroPrintMon.dll", MAX_PATH);

  g_monitor2.cbSize = sizeof(MONITOR2);
  g_monitor2.pfnEnumPorts = EnumPortsImpl;
  g_monitor2.pfnOpenPort = OpenPortImpl;
  g_monitor2.pfnStartDocPort = StartDocPortImpl;
  g_monitor2.pfnWritePort = WritePortImpl;
  g_monitor2.pfnReadPort = ReadPortImpl;
  g_monitor2.pfnEndDocPort = EndDocPortImpl;
  g_monitor2.pfnClosePort = ClosePortImpl;
  g_monitor2.pfnAddPortEx = AddPortExImpl;
  g_monitor2.pfnDeletePort = DeletePortImpl;
  g_monitor2.pfnXcvOpenPort = XcvOpenPortImpl;
  g_monitor2.pfnXcvDataPort = XcvDataPortImpl;
  g_monitor2.pfnXcvClosePort = XcvClosePortImpl;
  g_monitor2.pfnShutdown = ShutdownImpl;
  *monitor = (HANDLE)&g_store;
  return &g_monitor2;
}
