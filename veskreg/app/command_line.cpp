#include "app/command_line.h"

#include <algorithm>
#include <cstring>

#include "core/switches.h"

namespace {

constexpr std::string_view kPrinterNameSwitch = kSwitchPrinterName;

bool Has(std::string_view commandLine, std::string_view switchText) {
  return commandLine.find(switchText) != std::string_view::npos;
}

void CopyName(char (&buffer)[kPrinterNameSize], std::string_view name) {
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
}

// The name after the first "-printername=": the character right after the equals sign
// (the opening quote) is skipped unseen, and the name runs to the next double quote or
// to the end of the text. With nothing at all after the equals sign there is no value,
// and the default name stands.
void FillPrinterName(std::string_view commandLine, const char* defaultName, Dispatch& dispatch,
                     LeadByteTest isLeadByte) {
  size_t at = commandLine.find(kPrinterNameSwitch);
  size_t start = at == std::string_view::npos ? at : at + kPrinterNameSwitch.size() + 1;
  // The unseen character is skipped whole: the name never starts inside a character.
  if (start != std::string_view::npos && start < commandLine.size() &&
      isLeadByte(static_cast<unsigned char>(commandLine[start - 1]))) {
    ++start;
  }
  if (start == std::string_view::npos || start > commandLine.size()) {
    CopyName(dispatch.printerName, defaultName);
    return;
  }
  std::string_view rest = commandLine.substr(start);
  std::string_view name = rest.substr(0, rest.find('"'));
  if (name.size() >= kPrinterNameSize) {
    dispatch.overlongNameLength = static_cast<uint32_t>(name.size());
    dispatch.printerName[0] = '\0';
    return;
  }
  CopyName(dispatch.printerName, name);
}

// "-verify" anywhere but inside the -printername= value, which runs from the equals sign
// to the double quote that ends the name as FillPrinterName reads it (or to the end).
bool HasVerify(std::string_view commandLine) {
  constexpr std::string_view kVerify = kSwitchVerify;
  const size_t at = commandLine.find(kPrinterNameSwitch);
  size_t valueStart = commandLine.size(), valueEnd = commandLine.size();
  if (at != std::string_view::npos) {
    valueStart = at + kPrinterNameSwitch.size();
    valueEnd = std::min(commandLine.find('"', valueStart + 1), commandLine.size());
  }
  for (size_t found = commandLine.find(kVerify); found != std::string_view::npos;
       found = commandLine.find(kVerify, found + 1)) {
    if (found < valueStart || found > valueEnd) return true;
  }
  return false;
}

}  // namespace

void SelectOperation(std::string_view commandLine, Dispatch& dispatch, LeadByteTest isLeadByte) {
  auto has = [commandLine](std::string_view switchText) { return Has(commandLine, switchText); };
  dispatch.verify = HasVerify(commandLine);
  dispatch.quiet = has(kSwitchQuiet);

  if (has(kSwitchStopAutoName)) {
    dispatch.operation = Operation::StopAutoName;
    dispatch.operationSwitch = kSwitchStopAutoName;
    return;
  }
  dispatch.targetX64 = has(kSwitchX64);
  if (has(kSwitchAddInstance)) {
    dispatch.operation = Operation::AddPrinterInstance;
    dispatch.operationSwitch = kSwitchAddInstance;
    return;
  }
  if (has(kSwitchCheckInstance)) {
    dispatch.operation = Operation::CheckInstance;
    dispatch.operationSwitch = kSwitchCheckInstance;
    return;
  }
  const char* defaultName = has(kSwitchImagePrinter) ? kImagePrinterName : kDefaultPrinterName;
  if (has(kSwitchRegAddPrinter) || has(kSwitchRegAddXpsPrinter)) {
    dispatch.operation = Operation::InstallPrinter;
    CopyName(dispatch.printerName, defaultName);
    dispatch.xps = has(kSwitchRegAddXpsPrinter) ? 1 : 0;
    dispatch.operationSwitch = dispatch.xps != 0 ? kSwitchRegAddXpsPrinter : kSwitchRegAddPrinter;
    dispatch.monitorOnly = has(kSwitchAddMonitor) ? 1 : 0;
    return;
  }
  if (has(kSwitchAddPrinter) || has(kSwitchAddPsPrinter) || has(kSwitchAddXpsPrinter)) {
    dispatch.operation = Operation::InstallPrinter;
    dispatch.postScript = has(kSwitchAddPsPrinter) ? 1 : 0;
    dispatch.xps = has(kSwitchAddXpsPrinter) ? 1 : 0;
    dispatch.operationSwitch = dispatch.postScript != 0 ? kSwitchAddPsPrinter
                               : dispatch.xps != 0      ? kSwitchAddXpsPrinter
                                                        : kSwitchAddPrinter;
    dispatch.monitorOnly = has(kSwitchAddMonitor) ? 1 : 0;
    FillPrinterName(commandLine, defaultName, dispatch, isLeadByte);
    return;
  }
  if (has(kSwitchUpdatePsDependentFiles)) {
    dispatch.operation = Operation::UpdateDependentFiles;
    dispatch.operationSwitch = kSwitchUpdatePsDependentFiles;
    dispatch.postScript = 1;
  } else if (has(kSwitchUpdateXpsDependentFiles)) {
    dispatch.operation = Operation::UpdateDependentFiles;
    dispatch.operationSwitch = kSwitchUpdateXpsDependentFiles;
    dispatch.xps = 1;
  } else if (has(kSwitchUpdateDependentFiles)) {
    dispatch.operation = Operation::UpdateDependentFiles;
    dispatch.operationSwitch = kSwitchUpdateDependentFiles;
  } else if (has(kSwitchDeletePrinterInstance)) {
    dispatch.operation = Operation::DeletePrinterInstance;
    dispatch.instanceName = kDefaultPrinterName;
    dispatch.operationSwitch = kSwitchDeletePrinterInstance;
  } else if (has(kSwitchDeleteLodestarInstance)) {
    dispatch.operation = Operation::DeletePrinterInstance;
    dispatch.instanceName = "Lodestar PDF Writer";
    dispatch.operationSwitch = kSwitchDeleteLodestarInstance;
  } else if (has(kSwitchDeletePrinter)) {
    dispatch.operation = Operation::DeleteAllProductPrinters;
    dispatch.operationSwitch = kSwitchDeletePrinter;
  } else if (has(kSwitchSplash)) {
    dispatch.operation = Operation::SplashHost;
  } else if (has(kSwitchQuiet)) {
    dispatch.operation = Operation::Quiet;
  } else {
    dispatch.operation = Operation::AboutBox;
  }
}
