// The smallest port monitor the spooler accepts: AddMonitorA loads the library it
// registers and asks it for its entry points. It serves no port, so no printer can
// send it anything.
#include <windows.h>
#include <winsplp.h>

namespace {

WINBOOL WINAPI EnumPorts(HANDLE, LPWSTR, DWORD, LPBYTE, DWORD, LPDWORD needed, LPDWORD returned) {
  *needed = 0;
  *returned = 0;
  return TRUE;
}

WINBOOL WINAPI OpenPort(HANDLE, LPWSTR, PHANDLE) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

VOID WINAPI Shutdown(HANDLE) {}

MONITOR2 monitor = [] {
  MONITOR2 entries{};
  entries.cbSize = sizeof entries;
  entries.pfnEnumPorts = EnumPorts;
  entries.pfnOpenPort = OpenPort;
  entries.pfnShutdown = Shutdown;
  return entries;
}();

}  // namespace

extern "C" __declspec(dllexport) LPMONITOR2 WINAPI InitializePrintMonitor2(PMONITORINIT, PHANDLE handle) {
  *handle = reinterpret_cast<HANDLE>(&monitor);
  return &monitor;
}
