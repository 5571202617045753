// The Application event log on the local computer.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace os {

EventSourceHandle RegisterEventSourceA(const char* sourceName);
// One insertion string, no user, no binary data: the only form the program writes.
bool ReportEventA(EventSourceHandle source, uint16_t type, uint16_t category, uint32_t eventId,
                  const char* insertionString);
bool DeregisterEventSource(EventSourceHandle source);

}  // namespace os
