// Removing printers, their drivers and their Send To shortcuts.
#pragma once

#include "platform/types.h"

bool DeletePDFPrinterInstance(const char* printerName);
// A handle given here passes to this call, which closes it.
void DeletePDFPrinter(const char* printerName, os::PrinterHandle printer);
bool checkPrinterInstalled(const char* printerName);
void DeleteAllProductPrinters();
