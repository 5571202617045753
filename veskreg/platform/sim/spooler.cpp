// The print spooler on the simulated machine.
#include "platform/spooler.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/sim/machine.h"

namespace os {
namespace {

// Field slots of a 32-bit PRINTER_INFO_2 record (4 bytes each).
enum PrinterInfo2Slot : uint32_t {
  kServerName, kPrinterName, kShareName, kPortName, kDriverName, kComment, kLocation, kDevMode, kSepFile,
  kPrintProcessor, kDatatype, kParameters, kSecurityDescriptor, kAttributes, kPriority, kDefaultPriority,
  kStartTime, kUntilTime, kStatus, kJobs, kAveragePpm
};
static_assert((kAveragePpm + 1) * 4 == kPrinterInfo2Size);

// Only the running spooler answers; a stopped one fails every call with 1722.
bool SpoolerDown(sim::Machine& m) {
  if (m.spoolerRunning) return false;
  SetLastError(kRpcServerUnavailable);
  return true;
}

uint32_t ReadSlot(const uint8_t* record, uint32_t slot) {
  uint32_t value;
  std::memcpy(&value, record + slot * 4, 4);
  return value;
}

}  // namespace

// The block is laid out as 32-bit Windows lays it out: the records first, the strings
// packed from the end of the needed size backwards. Where Windows stores a pointer,
// the sim stores the string's offset from the block's start (0 for none).
bool EnumPrintersA(uint32_t flags, const char* name, uint32_t level, uint8_t* buffer, uint32_t bufferSize,
                   uint32_t* needed, uint32_t* returned) {
  sim::Machine& m = sim::machine();
  if (m.Enter("EnumPrintersA") || SpoolerDown(m)) return false;
  if (needed == nullptr || returned == nullptr || level != 2 || (flags & kPrinterEnumLocal) == 0 ||
      (name != nullptr && *name != '\0')) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  *returned = 0;
  struct Strings {
    std::string printer, port, driver, processor, datatype;
  };
  std::vector<Strings> entries;
  uint32_t size = 0;
  for (const sim::Printer& p : m.printers) {
    entries.push_back(Strings{p.name, p.port, p.driver, p.printProcessor, "RAW"});
    size += kPrinterInfo2Size;
    for (const std::string* s : {&p.name, &p.port, &p.driver, &p.printProcessor}) size += s->size() + 1;
    size += 4;  // "RAW"
  }
  *needed = size;
  if (buffer == nullptr || bufferSize < size) {
    SetLastError(kErrorInsufficientBuffer);
    return false;
  }
  std::memset(buffer, 0, size);
  uint32_t end = size;
  auto put = [&](uint8_t* record, uint32_t slot, const std::string& text) {
    end -= static_cast<uint32_t>(text.size() + 1);
    std::memcpy(buffer + end, text.c_str(), text.size() + 1);
    std::memcpy(record + slot * 4, &end, 4);
  };
  for (size_t i = 0; i < entries.size(); ++i) {
    uint8_t* record = buffer + i * kPrinterInfo2Size;
    put(record, kPrinterName, entries[i].printer);
    put(record, kPortName, entries[i].port);
    put(record, kDriverName, entries[i].driver);
    put(record, kPrintProcessor, entries[i].processor);
    put(record, kDatatype, entries[i].datatype);
    uint32_t attributes = m.printers[i].attributes;
    std::memcpy(record + kAttributes * 4, &attributes, 4);
  }
  *returned = static_cast<uint32_t>(entries.size());
  return true;
}

PrinterInfo2View PrinterInfo2At(const uint8_t* block, uint32_t index) {
  const uint8_t* record = block + index * kPrinterInfo2Size;
  auto text = [&](uint32_t slot) -> const char* {
    uint32_t offset = ReadSlot(record, slot);
    return offset == 0 ? nullptr : reinterpret_cast<const char*>(block + offset);
  };
  return PrinterInfo2View{text(kPrinterName), text(kDriverName), text(kPortName), ReadSlot(record, kAttributes)};
}

}  // namespace os
