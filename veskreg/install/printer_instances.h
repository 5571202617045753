// Adding a further printer under a name the user picks.
#pragma once

void AddPDFPrinterInstance();
// False for an empty name or one holding any of < > : ? & = | * " [ ] / \ %.
bool ValidatePrinterName(const char* name);
