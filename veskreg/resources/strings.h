// The texts of the string table, in one place for the resource script and the code that
// quotes them.
#pragma once

// Each text stays one literal: the resource compiler does not join adjacent strings.
// clang-format off

#define TEXT_COMPANY_CAPTION "Vesk Harrow Systems"
#define TEXT_ERROR_126 \
  "A system error 126 occurred that prevented Folyant from being installed.  See help for steps to resolve the issue."
#define TEXT_ERROR_126_HELP_PAGE \
  "A system error 126 occurred that prevented Folyant from being installed.  The steps to resolve the issue are in the help page %s"
#define TEXT_ERROR_SPOOLER_STOPPED \
  "The Folyant installation failed because the spooler service is not running.\nStart the spooler service and run the installation again."
#define TEXT_ERROR_STEP_FAILED "%s error %d\n\nPlease send this error to support@veskharrow.example."
#define TEXT_VERIFY_CLEAN "The check found no problem."
#define TEXT_VERIFY_FOUND "The check found %s:"
#define TEXT_VERIFY_MORE "... and %d more in the event log"
#define TEXT_PRINTER_CREATED "%s printer created."
#define TEXT_PRINTER_NAME_TAKEN "Printer named %s already exists."
#define TEXT_PRINTER_NAME_INVALID "Printer name %s is not valid."

#define VESKREG_PRODUCT_NAME "Folyant"
#define VESKREG_COMPANY_NAME "Vesk Harrow Systems"
#define VESKREG_VERSION_TEXT "10.0.31"
#define VESKREG_VERSION_NUMBERS 10, 0, 31, 0

// Texts of the dialog templates.
#define TEXT_MAIN_NOTICE "Copyright (C) 2003-2024 Vesk Harrow Systems LLC. All rights reserved."
#define TEXT_MAIN_LOGGING "www.veskharrow.example"
#define TEXT_ABOUT_NOTICE "Copyright (C) 2003-2024 Vesk Harrow Systems LLC.\nwww.veskharrow.example"
#define TEXT_ABOUT_LIBRARY_NOTICE "Portions of this product use the iText library.\nitextpdf.com"
// clang-format on
