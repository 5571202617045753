// The "Add Printer" dialog in which the user names a further printer instance.
#pragma once

#include <string>

#include "platform/window.h"

// Longest name the dialog lets the user type: it must fit a 260-byte name buffer.
inline constexpr int kPrinterNameLimit = 259;

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
