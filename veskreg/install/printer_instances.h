// Adding a further printer under a name the user picks.
#pragma once

void AddPDFPrinterInstance();
