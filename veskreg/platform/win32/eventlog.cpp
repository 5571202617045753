// The Application event log on the real Windows API.
#include "platform/eventlog.h"

#include <windows.h>

namespace os {

EventSourceHandle RegisterEventSourceA(const char* sourceName) {
  return reinterpret_cast<EventSourceHandle>(::RegisterEventSourceA(nullptr, sourceName));
}

bool ReportEventA(EventSourceHandle source, uint16_t type, uint16_t category, uint32_t eventId,
                  const char* insertionString) {
  const char* strings[1] = {insertionString};
  return ::ReportEventA(reinterpret_cast<HANDLE>(source), type, category, eventId, nullptr, 1, 0, strings, nullptr) !=
         FALSE;
}

bool DeregisterEventSource(EventSourceHandle source) {
  return ::DeregisterEventSource(reinterpret_cast<HANDLE>(source)) != FALSE;
}

}  // namespace os
