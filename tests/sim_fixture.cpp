#include "sim_fixture.h"

#include "app/veskreg_app.h"
#include "platform/window.h"

int SimTest::RunProgram(const char* commandLine) {
  CVeskregApp app;
  return os::RunApplication(app, commandLine);
}

std::vector<std::string> SimTest::LogTexts() const {
  std::vector<std::string> texts;
  for (const sim::EventRecord& entry : sim::machine().eventLog) texts.push_back(entry.text);
  return texts;
}
