// The conformance fixture on the real Windows API: arranging through the spooler, the
// registry and the file system directly, never through the seam under test.
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <string>
#include <vector>

#include "conformance.h"

namespace conformance {
namespace {

char* Text(const char* text) { return const_cast<char*>(text); }

bool StartsWithPrefix(const char* name) {
  return name != nullptr && std::strncmp(name, kNamePrefix, std::strlen(kNamePrefix)) == 0;
}

// Calls `enumerate(buffer, size, &needed, &returned)` until the block fits.
template <typename Enumerate>
std::vector<BYTE> EnumerateAll(Enumerate enumerate, DWORD* returned) {
  std::vector<BYTE> block(4096);
  DWORD needed = 0;
  *returned = 0;
  while (!enumerate(block.data(), static_cast<DWORD>(block.size()), &needed, returned)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= block.size()) {
      *returned = 0;
      break;
    }
    block.resize(needed);
  }
  return block;
}

std::string DirectoryOfThisProgram() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string text(path, length);
  return text.substr(0, text.find_last_of('\\') + 1);
}

std::string SystemDirectory() {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, sizeof path);
  return std::string(path, length);
}

}  // namespace

bool RunningOnWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string PrinterDriverEnvironment() {
  // Wine: a 32-bit caller's AddPrinterA looks only at drivers of the caller's own
  // environment. Windows takes the spooler's, which is x64 on 64-bit Windows.
  if (RunningOnWine()) return kEnvironmentX86;
  BOOL wow64 = FALSE;
  IsWow64Process(GetCurrentProcess(), &wow64);
  return wow64 ? kEnvironmentX64 : kEnvironmentX86;
}

DriverFiles StageDriverFiles(const std::string& environment) {
  char directory[MAX_PATH] = {};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, Text(environment.c_str()), 1, reinterpret_cast<BYTE*>(directory),
                                  sizeof directory, &needed)) {
    ADD_FAILURE() << "GetPrinterDriverDirectoryA(" << environment << ") failed: " << GetLastError();
    return {};
  }
  CreateDirectoryA(directory, nullptr);
  const std::string base = std::string(directory) + "\\";
  DriverFiles files{base + "folyant.dll", base + "folyant.ppd", base + "folyantd.dll", base + "folyant.chm"};
  for (const std::string* path : {&files.driverPath, &files.dataFile, &files.configFile, &files.helpFile}) {
    PutFile(*path, "placeholder");
  }
  return files;
}

void InstallDriver(const std::string& name, const std::string& environment) {
  DriverFiles files = StageDriverFiles(environment);
  DRIVER_INFO_3A info{};
  info.cVersion = 3;
  info.pName = Text(name.c_str());
  info.pEnvironment = Text(environment.c_str());
  info.pDriverPath = Text(files.driverPath.c_str());
  info.pDataFile = Text(files.dataFile.c_str());
  info.pConfigFile = Text(files.configFile.c_str());
  info.pHelpFile = Text(files.helpFile.c_str());
  info.pDefaultDataType = Text("RAW");
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&info))) {
    ADD_FAILURE() << "AddPrinterDriverA(" << name << ", " << environment << ") failed: " << GetLastError();
  }
}

void InstallPrinter(const std::string& name, const std::string& driver) {
  PRINTER_INFO_2A info{};
  info.pPrinterName = Text(name.c_str());
  info.pPortName = Text("FILE:");
  info.pDriverName = Text(driver.c_str());
  info.pPrintProcessor = Text("winprint");
  info.pDatatype = Text("RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE printer = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (printer == nullptr) {
    ADD_FAILURE() << "AddPrinterA(" << name << ") failed: " << GetLastError();
    return;
  }
  ClosePrinter(printer);
}

// The suite's own monitor, built next to this program; the spooler loads it from the
// system directory (SysWOW64 for this 32-bit process on 64-bit systems).
std::string StageMonitorLibrary() {
  const char* name = "conformance_monitor.dll";
  const std::string source = DirectoryOfThisProgram() + name;
  if (GetFileAttributesA(source.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  if (!CopyFileA(source.c_str(), (SystemDirectory() + "\\" + name).c_str(), FALSE)) {
    ADD_FAILURE() << "copying " << source << " into the system directory failed: " << GetLastError();
    return {};
  }
  return name;
}

void PutFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot create " << path << ": " << GetLastError();
    return;
  }
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

bool FileOnDisk(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void SetProcessVariable(const std::string& name, const std::string& value) {
  SetEnvironmentVariableA(name.c_str(), value.c_str());
}

void CleanUp() {
  DWORD count = 0;
  auto printers = EnumerateAll(
      [](BYTE* block, DWORD size, DWORD* needed, DWORD* returned) {
        return EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, block, size, needed, returned) != FALSE;
      },
      &count);
  for (DWORD i = 0; i < count; ++i) {
    const auto& info = reinterpret_cast<const PRINTER_INFO_2A*>(printers.data())[i];
    if (!StartsWithPrefix(info.pPrinterName)) continue;
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (OpenPrinterA(info.pPrinterName, &printer, &defaults)) {
      DeletePrinter(printer);
      ClosePrinter(printer);
    }
  }

  for (const char* environment : {kEnvironmentX86, kEnvironmentX64}) {
    auto drivers = EnumerateAll(
        [environment](BYTE* block, DWORD size, DWORD* needed, DWORD* returned) {
          return EnumPrinterDriversA(nullptr, Text(environment), 1, block, size, needed, returned) != FALSE;
        },
        &count);
    for (DWORD i = 0; i < count; ++i) {
      const auto& info = reinterpret_cast<const DRIVER_INFO_1A*>(drivers.data())[i];
      if (StartsWithPrefix(info.pName)) DeletePrinterDriverA(nullptr, Text(environment), info.pName);
    }
  }

  auto monitors =
      EnumerateAll([](BYTE* block, DWORD size, DWORD* needed,
                      DWORD* returned) { return EnumMonitorsA(nullptr, 1, block, size, needed, returned) != FALSE; },
                   &count);
  for (DWORD i = 0; i < count; ++i) {
    const auto& info = reinterpret_cast<const MONITOR_INFO_1A*>(monitors.data())[i];
    if (StartsWithPrefix(info.pName)) DeleteMonitorA(nullptr, nullptr, info.pName);
  }

  RegDeleteTreeA(HKEY_CURRENT_USER, kUserKey);
}

}  // namespace conformance
