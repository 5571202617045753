#include "ui/add_printer.h"

#include "platform/spooler.h"
#include "resources/resource.h"

std::string ProposePrinterName() { return FirstFreeCopyName(PrinterExists); }

VeskRegAddPrinter::VeskRegAddPrinter() : CDialog(IDD_ADDPRINTER, nullptr), printerName_(ProposePrinterName()) {}

bool VeskRegAddPrinter::OnInitDialog() {
  CDialog::OnInitDialog();
  os::SendMessageA(os::GetDlgItem(GetSafeHwnd(), IDC_PRINTER_NAME), os::kEmLimitText, kPrinterNameLimit, 0);
  return true;
}

void VeskRegAddPrinter::DoDataExchange(os::DataExchange& exchange) { exchange.Text(IDC_PRINTER_NAME, printerName_); }
