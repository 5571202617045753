#include "core/target.h"

#include <cstring>
#include <initializer_list>

#include "core/platform_predicates.h"

namespace {

#define VESKREG_DRIVERS(environment) \
  "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" environment "\\Drivers\\"
#define VESKREG_HELP "folyant.chm::/addprinter126error.htm"

// clang-format off
// environment, driver directory, driver key prefix, version, help page, -x64
constexpr Target kX86 = {"Windows NT x86", "\\spool\\drivers\\w32x86\\3\\", VESKREG_DRIVERS("Windows NT x86") "Version-3\\",
                         3, "\\spool\\drivers\\w32x86\\3\\" VESKREG_HELP, false};
constexpr Target kX64 = {"Windows x64", "\\spool\\drivers\\x64\\3\\", VESKREG_DRIVERS("Windows x64") "Version-3\\",
                         3, "\\spool\\drivers\\x64\\3\\" VESKREG_HELP, true};
// Windows on ARM: this x86 program runs emulated, the spooler is native ARM64.
constexpr Target kArm64 = {"Windows ARM64", "\\spool\\drivers\\arm64\\3\\", VESKREG_DRIVERS("Windows ARM64") "Version-3\\",
                           3, "\\spool\\drivers\\arm64\\3\\" VESKREG_HELP, true};
constexpr Target kX86OnNT4 = {"Windows NT x86", "\\spool\\drivers\\w32x86\\2\\", VESKREG_DRIVERS("Windows NT x86") "Version-2\\",
                              2, "\\spool\\drivers\\w32x86\\2\\" VESKREG_HELP, false};
// NT 4 has no x64 drivers: -x64 names the environment, the files and key stay version-2 x86.
constexpr Target kX64OnNT4 = {"Windows x64", kX86OnNT4.driverDirectory, kX86OnNT4.driverKeyPrefix,
                              2, kX86OnNT4.helpPage, true};

// clang-format on

#undef VESKREG_HELP
#undef VESKREG_DRIVERS

}  // namespace

Target TargetFor(bool x64) {
  if (IsWindowsNT4()) return x64 ? kX64OnNT4 : kX86OnNT4;
  // -x64 means the machine's own 64-bit environment.
  if (x64 && IsNativeArm64()) return kArm64;
  return x64 ? kX64 : kX86;
}

Target TargetForEnvironment(const char* environment) {
  for (const Target& target : {kX64, kArm64}) {
    if (environment != nullptr && std::strcmp(environment, target.environment) == 0) return target;
  }
  return TargetFor(false);
}
