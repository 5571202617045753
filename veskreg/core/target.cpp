#include "core/target.h"

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
  return x64 ? kX64 : kX86;
}
