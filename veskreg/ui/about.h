// The About box, the product and version line, and the switch of the product's
// diagnostic logging that the About box and the main dialog share.
#pragma once

#include <string>

#include "platform/window.h"

class VeskRegAbout : public os::CDialog {
 public:
  VeskRegAbout();

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id) override;
};

// "Folyant Version 10.0.31".
std::string GetProductVersionText();
// Turns "EventLogFlags" off where the lookup finds it on, else on under the user's key;
// returns the caption the logging button must now show.
const char* ToggleEventLogFlags();
// The logging button's caption for the current "EventLogFlags".
const char* LoggingCaption();
