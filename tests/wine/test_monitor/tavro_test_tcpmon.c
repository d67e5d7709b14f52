/* A port monitor of the tests, never part of the payload. Wine has no Standard TCP/IP Port
 * monitor; the network port test installs this one under that name (AddMonitorW), so that the
 * installer's calls run through Wine's real spooler. Like Windows' tcpmon.dll it keeps its ports
 * as the subkeys of HKLM\SYSTEM\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\
 * Ports, reports them with the monitor name "TCPMON.DLL" and the description "Standard TCP/IP
 * Port", and leaves its dialogs to a UI module that the spooler asks it for ("MonitorUI"), which
 * calls back through XcvData ("AddPort", "ConfigPort", "DeletePort"). */
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#define PORTS_KEY L"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports"
#define MAX_PORTS 64
#define MAX_PORT_CHARS 128

static const WCHAR kMonitorName[] = L"TCPMON.DLL";
static const WCHAR kDescription[] = L"Standard TCP/IP Port";
static const WCHAR kUiModule[] = L"tavro_test_tcpmonui.dll";

/* The port names, in the registry's order; the count. */
static DWORD ReadPorts(WCHAR names[MAX_PORTS][MAX_PORT_CHARS]) {
  HKEY key;
  DWORD count = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PORTS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  while (count < MAX_PORTS) {
    DWORD chars = MAX_PORT_CHARS;
    if (RegEnumKeyExW(key, count, names[count], &chars, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    ++count;
  }
  RegCloseKey(key);
  return count;
}

static DWORD Bytes(const WCHAR* text) { return (lstrlenW(text) + 1) * sizeof(WCHAR); }

static BOOL WINAPI EnumPortsImpl(HANDLE monitor, LPWSTR name, DWORD level, LPBYTE ports, DWORD size,
                                 LPDWORD needed, LPDWORD returned) {
  WCHAR names[MAX_PORTS][MAX_PORT_CHARS];
  DWORD count, i, entry, total;
  LPBYTE text;
  (void)monitor;
  (void)name;
  if (level != 1 && level != 2) {
    SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  count = ReadPorts(names);
  entry = level == 1 ? sizeof(PORT_INFO_1W) : sizeof(PORT_INFO_2W);
  total = count * entry;
  for (i = 0; i < count; ++i) {
    total += Bytes(names[i]);
    if (level == 2) total += Bytes(kMonitorName) + Bytes(kDescription);
  }
  *needed = total;
  *returned = 0;
  if (size < total || (total > 0 && !ports)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  text = ports + count * entry;
  for (i = 0; i < count; ++i) {
    LPWSTR port_name = (LPWSTR)text;
    lstrcpyW(port_name, names[i]);
    text += Bytes(names[i]);
    if (level == 1) {
      ((PORT_INFO_1W*)ports)[i].pName = port_name;
    } else {
      PORT_INFO_2W* info = &((PORT_INFO_2W*)ports)[i];
      info->pPortName = port_name;
      info->pMonitorName = (LPWSTR)text;
      lstrcpyW(info->pMonitorName, kMonitorName);
      text += Bytes(kMonitorName);
      info->pDescription = (LPWSTR)text;
      lstrcpyW(info->pDescription, kDescription);
      text += Bytes(kDescription);
      info->fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
      info->Reserved = 0;
    }
  }
  *returned = count;
  return TRUE;
}

/* tcpxcv.h's PORT_DATA_1: "AddPort" input from a program that makes a port without the dialogs. */
struct PortData1 {
  WCHAR sztPortName[64];
  DWORD dwVersion;
  DWORD dwProtocol;
  DWORD cbSize;
  DWORD dwReserved;
  WCHAR sztHostAddress[49];
  WCHAR sztSNMPCommunity[33];
  DWORD dwDoubleSpool;
  WCHAR sztQueue[33];
  WCHAR sztIPAddress[16];
  BYTE Reserved[540];
  DWORD dwPortNumber;
  DWORD dwSNMPEnabled;
  DWORD dwSNMPDevIndex;
};

/* An Xcv handle carries nothing: every command names its port in its input. */
static BOOL WINAPI XcvOpenPortImpl(HANDLE monitor, LPCWSTR object, ACCESS_MASK access, PHANDLE xcv) {
  (void)monitor;
  (void)object;
  (void)access;
  *xcv = (HANDLE)(ULONG_PTR)0x7C0;
  return TRUE;
}

/* The port name that an "AddPort" / "ConfigPort" / "DeletePort" input carries, or NULL. */
static LPCWSTR PortOf(PBYTE input, DWORD bytes) {
  LPCWSTR name = (LPCWSTR)input;
  if (!input || bytes < 2 * sizeof(WCHAR) || name[bytes / sizeof(WCHAR) - 1] != 0) return NULL;
  return name;
}

static DWORD PortKey(LPCWSTR port, WCHAR* key, DWORD chars) {
  if (lstrlenW(PORTS_KEY) + 1 + lstrlenW(port) + 1 > (int)chars) return ERROR_INVALID_PARAMETER;
  lstrcpyW(key, PORTS_KEY L"\\");
  lstrcatW(key, port);
  return ERROR_SUCCESS;
}

static DWORD WINAPI XcvDataPortImpl(HANDLE xcv, LPCWSTR command, PBYTE input, DWORD input_bytes, PBYTE output,
                                    DWORD output_bytes, PDWORD needed) {
  WCHAR key_name[MAX_PATH];
  LPCWSTR port;
  HKEY key;
  DWORD result, disposition, count, size;
  (void)xcv;
  if (lstrcmpW(command, L"MonitorUI") == 0) {
    *needed = sizeof(kUiModule);
    if (!output || output_bytes < sizeof(kUiModule)) return ERROR_INSUFFICIENT_BUFFER;
    CopyMemory(output, kUiModule, sizeof(kUiModule));
    return ERROR_SUCCESS;
  }
  port = PortOf(input, input_bytes);
  if (!port || PortKey(port, key_name, MAX_PATH) != ERROR_SUCCESS) return ERROR_INVALID_PARAMETER;
  if (lstrcmpW(command, L"AddPort") == 0) {
    result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_name, 0, NULL, 0, KEY_WRITE, NULL, &key, &disposition);
    if (result != ERROR_SUCCESS) return result;
    /* A PORT_DATA_1 (as tcpmon.dll takes it) beyond the name: its host and port number, kept as
     * tcpmon keeps them. */
    if (disposition != REG_OPENED_EXISTING_KEY && input_bytes == sizeof(struct PortData1) &&
        ((struct PortData1*)input)->cbSize == sizeof(struct PortData1)) {
      const struct PortData1* data = (const struct PortData1*)input;
      WCHAR host[49];
      lstrcpynW(host, data->sztHostAddress, 49);
      RegSetValueExW(key, L"HostName", 0, REG_SZ, (const BYTE*)host, Bytes(host));
      RegSetValueExW(key, L"PortNumber", 0, REG_DWORD, (const BYTE*)&data->dwPortNumber, sizeof(DWORD));
      RegSetValueExW(key, L"Protocol", 0, REG_DWORD, (const BYTE*)&data->dwProtocol, sizeof(DWORD));
    }
    RegCloseKey(key);
    return disposition == REG_OPENED_EXISTING_KEY ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  }
  if (lstrcmpW(command, L"DeletePort") == 0) {
    result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_name);
    return result == ERROR_FILE_NOT_FOUND ? ERROR_UNKNOWN_PORT : result;
  }
  if (lstrcmpW(command, L"ConfigPort") == 0) {
    /* What the configuration dialog would change; the test reads the count back. */
    result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key_name, 0, KEY_READ | KEY_WRITE, &key);
    if (result != ERROR_SUCCESS) return ERROR_UNKNOWN_PORT;
    count = 0;
    size = sizeof(count);
    RegQueryValueExW(key, L"TavroConfigured", NULL, NULL, (BYTE*)&count, &size);
    ++count;
    result = RegSetValueExW(key, L"TavroConfigured", 0, REG_DWORD, (const BYTE*)&count, sizeof(count));
    RegCloseKey(key);
    return result;
  }
  return ERROR_INVALID_PARAMETER;
}

static BOOL WINAPI XcvClosePortImpl(HANDLE xcv) {
  (void)xcv;
  return TRUE;
}

static VOID WINAPI ShutdownImpl(HANDLE monitor) { (void)monitor; }

static MONITOR2 monitor2;

__declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT init, PHANDLE monitor) {
  (void)init;
  ZeroMemory(&monitor2, sizeof(monitor2));
  /* The fields up to pfnShutdown: what every spooler since Windows 2000 reads. */
  monitor2.cbSize = (DWORD)((BYTE*)&monitor2.pfnShutdown - (BYTE*)&monitor2) + sizeof(monitor2.pfnShutdown);
  monitor2.pfnEnumPorts = EnumPortsImpl;
  monitor2.pfnXcvOpenPort = XcvOpenPortImpl;
  monitor2.pfnXcvDataPort = XcvDataPortImpl;
  monitor2.pfnXcvClosePort = XcvClosePortImpl;
  monitor2.pfnShutdown = ShutdownImpl;
  *monitor = (HANDLE)&monitor2;
  return &monitor2;
}
