// Reading the command line: which one operation a run performs, with which arguments.
// Plain text work, no system call.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/code_page.h"
#include "install/printer_names.h"

enum class Operation {
  StopAutoName,
  AddPrinterInstance,        // -addinstance
  CheckInstance,             // -checkinstance
  InstallPrinter,            // -regadd* and -add*printer: the port monitor, and a printer unless -addmonitor
  UpdateDependentFiles,      // -update*dependentfiles
  DeletePrinterInstance,     // -deleteprinterinstance, -DeleteLodestarInstance
  DeleteAllProductPrinters,  // -deleteprinter
  SplashHost,                // no operation, -splash
  Quiet,                     // no operation, -quiet
  AboutBox,                  // no operation at all
};

struct Dispatch {
  Operation operation = Operation::AboutBox;
  bool targetX64 = false;
  // The printer name buffer handed to the installation, which may lengthen the name in place.
  char printerName[kPrinterNameSize] = {};
  // A -printername= value that does not fit the buffer; nothing is installed under it.
  uint32_t overlongNameLength = 0;
  // The driver kind's switches, as found: -addpsprinter or -updatepsdependentfiles,
  // -addxpsprinter, -regaddxpsprinter or -updatexpsdependentfiles.
  int postScript = 0;
  int xps = 0;
  int monitorOnly = 0;
  const char* instanceName = nullptr;  // DeletePrinterInstance
  // The switch that selected the operation, as -verify's report names it; empty for none.
  const char* operationSwitch = "";
  // "-verify" outside the -printername= value: check the installation, or what the
  // selected operation was asked to do, after it ran.
  bool verify = false;
  bool quiet = false;
};

// Tests the switches of `commandLine` (case-sensitive substrings of the whole text,
// never tokenised) in the fixed order and fills the arguments of the selected operation.
// The command line is text of the code page `isLeadByte` describes.
void SelectOperation(std::string_view commandLine, Dispatch& dispatch, LeadByteTest isLeadByte = AnsiLeadByte);
