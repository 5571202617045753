// The points at which a test program may stand in for the system: make a call fail with
// a chosen error, count what the logic opens and closes, answer as another Windows
// version, run the clock virtually, or give Windows' answer where the system under test
// answers otherwise. Test programs build the backend with VESKREG_SUBSTITUTION and link
// the layer that implements these; in veskreg.exe every point is an empty inline.
#pragma once

#include <cstdint>

#include "platform/shell.h"

namespace os::substitution {

enum class Resource {
  Printer,
  RegistryKey,
  EventSource,
  KernelObject,
  ComReference,
  TaskMemory,
  LocalBlock,
  Window,
  GdiObject
};

#ifdef VESKREG_SUBSTITUTION

// Every wrapper passes here first, naming its call and what it acts on. True when the
// call must fail: the thread's last error then holds the code to report.
bool Fails(const char* call, const char* subject = nullptr, const char* detail = nullptr, uint32_t number = 0);
// A wrapper that opened (delta 1) or released (delta -1) something the logic must give back.
void Count(Resource resource, int delta);
// GetVersion, IsWow64Process, GetTickCount: true with `*value` when the test answers instead.
bool Answers(const char* call, uint32_t* value);
// Sleep: true when the test's clock took the pause instead of the system.
bool Sleeps(uint32_t milliseconds);
// A monitor record's environment as Windows would give it.
const char* MonitorEnvironment(const char* reported);
// The Printers folder's listing and its display names, for a shell that cannot list it.
bool ListsPrinters(HResult reported, EnumIdListHandle* enumerator);
bool NamesListedPrinter(ConstItemIdList item, StrRet* name);

#else

inline bool Fails(const char*, const char* = nullptr, const char* = nullptr, uint32_t = 0) { return false; }
inline void Count(Resource, int) {}
inline bool Answers(const char*, uint32_t*) { return false; }
inline bool Sleeps(uint32_t) { return false; }
inline const char* MonitorEnvironment(const char* reported) { return reported; }
inline bool ListsPrinters(HResult, EnumIdListHandle*) { return false; }
inline bool NamesListedPrinter(ConstItemIdList, StrRet*) { return false; }

#endif

}  // namespace os::substitution
