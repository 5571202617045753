#include "core/install_context.h"

bool TargetX64 = false;
const char* SpoolerEnvironment = kEnvironmentX86;
int32_t ProcessExitCode = 0;

void ResetInstallContext() {
  TargetX64 = false;
  SpoolerEnvironment = kEnvironmentX86;
  ProcessExitCode = 0;
}
