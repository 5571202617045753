// The test programs' hold on the seam: failures chosen, calls journaled, what is open counted,
// other Windows and a virtual clock answered; the system under the seam stays real.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/substitution_point.h"

namespace substitute {

// One call of a wrapper, as the wrapper named it (see substitution_point.h).
struct Call {
  std::string call;
  std::string subject;
  std::string detail;
  uint32_t number = 0;
};

// Packed GetVersion answers.
inline constexpr uint32_t kWindowsNT4 = 0x00000004;
inline constexpr uint32_t kWindows98 = 0x80000A04;
inline constexpr uint32_t kWindowsXP = 0x00000105;
inline constexpr uint32_t kWindows7 = 0x00000106;
inline constexpr uint32_t kWindows8 = 0x00000206;
inline constexpr uint32_t kWindows81 = 0x00000306;
inline constexpr uint32_t kWindows10 = 0x0000000A;

// The system's own answers, an empty journal, nothing counted, Windows rules on, clock at 1,000 ms.
void Reset();

// The `skip`+1-th call of `call` from now on fails with `error`, and the `times`-1 calls
// after it too (times < 0: every call from then on).
void FailCall(const std::string& call, uint32_t error, int skip = 0, int times = -1);
// The calls whose chosen failure never came, one a line, since the last look; every case's
// end looks (a choice with `times` 0 only takes an earlier one back).
std::string UnfiredFaults();

// GetVersion and IsWow64Process answer as this Windows (without IsWow64Process: NT 4, 98, early XP).
void AnswerAsWindows(uint32_t version, bool is64Bit, bool hasIsWow64Process = true);

// Where Wine is not Windows (see substitution.cpp), Windows' answers; on unless turned off.
void UseWindowsRules(bool on);
// The process's token answers as LocalSystem's, as under a service or a fleet tool.
void RunAsLocalSystem(bool on);
// GetFileAttributesA answers these: what stood there before something else took its place.
void AnswerFileAttributes(uint32_t attributes);
// IsWow64Process2 answers this native machine (0xAA64: Windows on ARM, which Wine is not);
// 0: the call is missing, as before Windows 10 1709.
void AnswerNativeMachine(uint16_t machine);
// How the substituted Printers folder hands back display names: 0 WSTR, 1 OFFSET, 2 CSTR,
// or in offset form malformed: not ended within its item, or 260 bytes and longer.
inline constexpr uint32_t kOffsetUnterminated = 3, kOffsetOverlong = 4;
void PrintersFolderNameForm(uint32_t form);

// Every wrapper call since Reset, in order; or those of one call.
const std::vector<Call>& Journal();
std::vector<Call> Calls(const std::string& call);
bool Called(const std::string& call);
// Pauses taken on the virtual clock.
const std::vector<uint32_t>& Sleeps();

// What the logic holds open now, empty when nothing.
std::string DescribeOpen();

}  // namespace substitute
