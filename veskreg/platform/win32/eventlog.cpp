// The Application event log on the real Windows API.
#include "platform/eventlog.h"

#include <windows.h>

#include "platform/win32/substitution_point.h"

namespace os {

EventSourceHandle RegisterEventSourceA(const char* sourceName) {
  if (substitution::Fails("RegisterEventSourceA", sourceName)) return nullptr;
  HANDLE source = ::RegisterEventSourceA(nullptr, sourceName);
  if (source != nullptr) substitution::Count(substitution::Resource::EventSource, 1);
  return reinterpret_cast<EventSourceHandle>(source);
}

bool ReportEventA(EventSourceHandle source, uint16_t type, uint16_t category, uint32_t eventId,
                  const char* insertionString) {
  if (substitution::Fails("ReportEventA", insertionString, nullptr, type | eventId << 16 | uint32_t{category} << 8)) {
    return false;
  }
  const char* strings[1] = {insertionString};
  return ::ReportEventA(reinterpret_cast<HANDLE>(source), type, category, eventId, nullptr, 1, 0, strings, nullptr) !=
         FALSE;
}

bool DeregisterEventSource(EventSourceHandle source) {
  substitution::Count(substitution::Resource::EventSource, -1);
  return ::DeregisterEventSource(reinterpret_cast<HANDLE>(source)) != FALSE;
}

}  // namespace os
