// Resource identifiers of veskreg.exe. Included by the resource script and by the code.
#pragma once

#define IDS_COMPANY_CAPTION 2
#define IDS_ERROR_126 11
#define IDS_ERROR_SPOOLER_STOPPED 12
#define IDS_ERROR_STEP_FAILED 13
#define IDS_ERROR_126_HELP_PAGE 14
#define IDS_VERIFY_CLEAN 15
#define IDS_VERIFY_FOUND 16
#define IDS_VERIFY_MORE 17
#define IDS_PRINTER_CREATED 18
#define IDS_PRINTER_NAME_TAKEN 19
#define IDS_PRINTER_NAME_INVALID 20

#define IDR_MANIFEST 1
#define IDV_VERSION 1

// Icons: 128 is the main dialog's own; 138 and 143 are the program's icon groups.
#define IDR_MAINFRAME 128
#define IDI_FOLYANT 138
#define IDI_FOLYANT_SMALL 143

// Dialog templates and their controls.
#define IDD_VESKREG_DIALOG 102
#define IDC_MAIN_NOTICE 1018
#define IDC_MAIN_VERSION 1019
#define IDC_MAIN_LOGGING 1060
#define IDC_MAIN_CANCEL 3

#define IDD_ABOUTBOX 129
#define IDC_ABOUT_NOTICE 1016
#define IDC_ABOUT_VERSION 1017
#define IDC_ABOUT_LOGGING 1059

#define IDD_ADDPRINTER 152
#define IDC_PRINTER_NAME_LABEL 1069
#define IDC_PRINTER_NAME 1070

// The splash picture.
#define IDB_SPLASH 151
