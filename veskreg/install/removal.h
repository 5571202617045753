// Removing printers, their drivers and their Send To shortcuts.
#pragma once

#include "core/target.h"
#include "platform/types.h"

bool DeletePDFPrinterInstance(const char* printerName);
// A handle given here passes to this call, which closes it. The driver is deleted from
// the target's environment, under `driverName` when the caller knows it (a walk over the
// spooler's listing), else under the name the spooler gives for the open printer.
void DeletePDFPrinter(const char* printerName, os::PrinterHandle printer, const Target& target,
                      const char* driverName = nullptr);
bool checkPrinterInstalled(const char* printerName, const Target& target);
// Every printer on a product driver, newest first, then each product driver of the
// target's environment that no printer uses any more: an earlier removal that failed
// after the last printer is finished by running it again.
void DeleteAllProductPrinters(const Target& target);
