#include "app/printer_instances.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/diagnostics.h"
#include "core/switches.h"
#include "install/driver_files.h"
#include "install/port_monitor.h"
#include "install/product_printers.h"
#include "install/settings_store.h"
#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "resources/resource.h"
#include "ui/add_printer.h"

namespace {

constexpr uint32_t kDriverBufferSize = 512;

// The settings key path must fit the same 260-byte buffers as the name, so a name may
// not be longer than what is left after the prefix, less the digit a retry may append.
constexpr size_t kLongestInstanceName = kPrinterNameSize - 1 - std::char_traits<char>::length(kSettingsKeyPrefix) - 1;

void ShowInstanceMessage(uint32_t textId, uint32_t style, const char* name) {
  ShowResourceMessageFormatted(nullptr, textId, IDS_COMPANY_CAPTION, style, name);
}

// The printer exists already: its driver library decides the kind of the next printer.
void TakeDriverKind(os::PrinterHandle printer, const char* name, DriverKind* kind) {
  alignas(8) uint8_t buffer[kDriverBufferSize];
  uint32_t needed = 0;
  if (!os::GetPrinterDriverA(printer, nullptr, 2, buffer, sizeof buffer, &needed)) {
    LogAppEvent(os::kEventlogWarningType, "AddPDFPrinterInstance: GetPrinterDriver failed for printer %s, %d", name,
                static_cast<int>(os::GetLastError()));
    return;
  }
  *kind = KindOfDriverLibrary(os::DriverInfo2At(buffer).driverPath);
}

// One pass over the name the user accepted; true when the operation is over.
bool TryName(const std::string& entered, DriverKind* kind, const Target& target) {
  if (entered.size() > kLongestInstanceName) {
    LogAppEvent(os::kEventlogWarningType, "AddPDFPrinterInstance: printer name of %u characters is longer than %u",
                static_cast<unsigned>(entered.size()), static_cast<unsigned>(kLongestInstanceName));
    ShowInstanceMessage(IDS_PRINTER_NAME_INVALID, os::kMbSystemModal | os::kMbIconError, entered.c_str());
    return false;
  }
  char name[kPrinterNameSize];
  std::memcpy(name, entered.c_str(), entered.size() + 1);
  if (!ValidatePrinterName(name)) {
    ShowInstanceMessage(IDS_PRINTER_NAME_INVALID, os::kMbSystemModal | os::kMbIconError, name);
    return false;
  }
  os::OwnedPrinter printer;
  if (os::OpenPrinterA(name, printer.put(), os::kPrinterAllAccess)) {
    TakeDriverKind(printer.get(), name, kind);
    ShowInstanceMessage(IDS_PRINTER_NAME_TAKEN, os::kMbSystemModal | os::kMbIconError, name);
    return false;
  }
  // Fits: the name's length was checked against what the prefix leaves.
  const std::string keyPath = std::string(kSettingsKeyPrefix) + name;
  AddMonitor(name, *kind, 0, target);
  // The settings value is written whatever the installation's outcome.
  SaveStringRegEx(os::HkeyCurrentUser(), keyPath.c_str(), kDefaultFileNameValue, "", os::kRegSz);
  // The installation reports its own failures; "created" is said only of a printer
  // that is there.
  if (!PrinterExists(name)) {
    LogAppEvent(os::kEventlogErrorType, "AddPDFPrinterInstance: printer %s was not created", name);
    return true;
  }
  ShowInstanceMessage(IDS_PRINTER_CREATED, os::kMbSystemModal, name);
  return true;
}

}  // namespace

void AddPDFPrinterInstance(const Target& target) {
  // The name is asked for in a window, which an unattended run must not wait on.
  if (BoxesWithheld()) {
    LogRunFailure("AddPDFPrinterInstance",
                  "the printer's name is asked for in a window, which %s %s does not show; %s %s\"<name>\" adds a "
                  "printer by name",
                  kSwitchVerify, kSwitchQuiet, kSwitchAddXpsPrinter, kSwitchPrinterName);
    return;
  }
  DriverKind kind = DriverKind::Xps;
  auto dialog = std::make_unique<VeskRegAddPrinter>();
  while (dialog->DoModal() == os::kIdOk) {
    if (TryName(dialog->PrinterName(), &kind, target)) return;
    // A fresh dialog makes a fresh proposal; the refused text is not kept.
    dialog.reset();
    dialog = std::make_unique<VeskRegAddPrinter>();
  }
}
