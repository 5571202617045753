// The "Add Printer" dialog in which the user names a further printer instance.
#pragma once

#include <string>

#include "install/product_printers.h"
#include "platform/window.h"

// Longest name the dialog lets the user type: it must fit a printer name buffer.
inline constexpr int kPrinterNameLimit = static_cast<int>(kPrinterNameSize) - 1;

class VeskRegAddPrinter : public os::CDialog {
 public:
  // Proposes the first free "Folyant (Copy %d)".
  VeskRegAddPrinter();
  // After IDOK: the text the user left in the name field.
  const std::string& PrinterName() const { return printerName_; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(os::DataExchange& exchange) override;

 private:
  std::string printerName_;
};

// "Folyant (Copy n)" with the smallest n from 1 whose printer cannot be opened.
std::string ProposePrinterName();
