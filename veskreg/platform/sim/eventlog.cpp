// The Application event log on the simulated machine.
#include "platform/eventlog.h"

#include <map>
#include <string>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {
EventSourceHandle RegisterEventSourceA(const char* sourceName) {
  sim::Machine& m = sim::machine();
  if (m.Enter("RegisterEventSourceA")) return nullptr;
  if (sourceName == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return nullptr;
  }
  uintptr_t handle = m.OpenHandle(sim::HandleKind::EventSource);
  m.eventSources[handle] = sourceName;
  return reinterpret_cast<EventSourceHandle>(handle);
}

bool ReportEventA(EventSourceHandle source, uint16_t type, uint16_t category, uint32_t eventId,
                  const char* insertionString) {
  sim::Machine& m = sim::machine();
  if (m.Enter("ReportEventA")) return false;
  auto id = reinterpret_cast<uintptr_t>(source);
  if (m.KindOf(id) != sim::HandleKind::EventSource) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  m.eventLog.push_back(
      sim::EventRecord{m.eventSources[id], type, category, eventId, insertionString ? insertionString : ""});
  return true;
}

bool DeregisterEventSource(EventSourceHandle source) {
  sim::Machine& m = sim::machine();
  if (m.Enter("DeregisterEventSource")) return false;
  auto id = reinterpret_cast<uintptr_t>(source);
  if (!m.CloseHandle(id, sim::HandleKind::EventSource)) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  m.eventSources.erase(id);
  return true;
}

}  // namespace os
