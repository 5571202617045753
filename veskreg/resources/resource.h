// Resource identifiers of veskreg.exe. Included by the resource script and by the code.
#pragma once

#define IDS_COMPANY_CAPTION 2
#define IDS_ERROR_126 11
#define IDS_ERROR_SPOOLER_STOPPED 12
#define IDS_ERROR_STEP_FAILED 13
#define IDS_PRINTER_CREATED 18
#define IDS_PRINTER_NAME_TAKEN 19
#define IDS_PRINTER_NAME_INVALID 20

#define IDR_MANIFEST 1
#define IDV_VERSION 1
