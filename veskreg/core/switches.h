// The command line's switches, as the installer types them: read by the dispatcher and
// named by -verify in its repairs.
#pragma once

inline constexpr const char* kSwitchStopAutoName = "-stopautoname";
inline constexpr const char* kSwitchAddInstance = "-addinstance";
inline constexpr const char* kSwitchCheckInstance = "-checkinstance";
inline constexpr const char* kSwitchRegAddPrinter = "-regaddprinter";
inline constexpr const char* kSwitchRegAddXpsPrinter = "-regaddxpsprinter";
inline constexpr const char* kSwitchAddPrinter = "-addprinter";
inline constexpr const char* kSwitchAddPsPrinter = "-addpsprinter";
inline constexpr const char* kSwitchAddXpsPrinter = "-addxpsprinter";
inline constexpr const char* kSwitchUpdateDependentFiles = "-updatedependentfiles";
inline constexpr const char* kSwitchUpdatePsDependentFiles = "-updatepsdependentfiles";
inline constexpr const char* kSwitchUpdateXpsDependentFiles = "-updatexpsdependentfiles";
inline constexpr const char* kSwitchDeletePrinterInstance = "-deleteprinterinstance";
inline constexpr const char* kSwitchDeleteLodestarInstance = "-DeleteLodestarInstance";
inline constexpr const char* kSwitchDeletePrinter = "-deleteprinter";
inline constexpr const char* kSwitchVerify = "-verify";
inline constexpr const char* kSwitchX64 = "-x64";
inline constexpr const char* kSwitchImagePrinter = "-imageprinter";
inline constexpr const char* kSwitchAddMonitor = "-addmonitor";
inline constexpr const char* kSwitchPrinterName = "-printername=";
inline constexpr const char* kSwitchSplash = "-splash";
inline constexpr const char* kSwitchQuiet = "-quiet";
