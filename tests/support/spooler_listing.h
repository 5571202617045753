// The spooler's printers and drivers as the real API lists them, for the fixture and the
// substitution rules alike.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <set>
#include <string>
#include <vector>

namespace listing {

// The local printers' records; their strings live in `block`.
inline std::vector<PRINTER_INFO_2A> Printers(std::vector<BYTE>& block) {
  DWORD needed = 0, count = 0;
  ::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  block.assign(needed + 1, 0);
  if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, block.data(), needed, &needed, &count)) return {};
  const auto* first = reinterpret_cast<const PRINTER_INFO_2A*>(block.data());
  return {first, first + count};
}

// The drivers registered for `environment` (null: the caller's own).
inline std::set<std::string> DriverNames(const char* environment) {
  DWORD needed = 0, count = 0;
  char* env = const_cast<char*>(environment);
  ::EnumPrinterDriversA(nullptr, env, 1, nullptr, 0, &needed, &count);
  std::vector<BYTE> block(needed + 1, 0);
  std::set<std::string> names;
  if (!::EnumPrinterDriversA(nullptr, env, 1, block.data(), needed, &needed, &count)) return names;
  const auto* drivers = reinterpret_cast<const DRIVER_INFO_1A*>(block.data());
  for (DWORD i = 0; i < count; ++i) names.insert(drivers[i].pName);
  return names;
}

}  // namespace listing
