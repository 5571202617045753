#include "install/driver_install.h"

#include <cstdio>
#include <cstring>

#include "core/diagnostics.h"
#include "core/install_context.h"
#include "core/platform_predicates.h"
#include "core/text_buffers.h"
#include "install/driver_files.h"
#include "install/send_to.h"
#include "install/settings_store.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/spooler.h"
#include "platform/window.h"
#include "resources/resource.h"

namespace {

constexpr uint32_t kPathSize = 520;
constexpr uint32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr const char* kBoxCaption = "Folyant";
constexpr const char* kPrintProcessor = "winprint";
constexpr const char* kDataType = "RAW";
constexpr const char* kProductPort = "PDFFILE:";
constexpr const char* kFilePort = "FILE:";

using os::OwnedPrinter;
using Path = char[kPathSize];

// The system directory in a 520-byte buffer. On failure returns false with `error`
// set: the call's own code, or 206 when the directory does not fit.
bool ReadSystemDirectory(Path& directory, uint32_t* error) {
  uint32_t length = os::GetSystemDirectoryA(directory, kPathSize);
  if (length == 0) {
    *error = os::GetLastError();
    return false;
  }
  if (length >= kPathSize) {
    directory[0] = '\0';
    *error = kErrorFilenameTooLong;
    return false;
  }
  return true;
}

// System directory + the platform target's driver directory suffix (ends in a backslash).
bool ReadDriverDirectory(Path& directory, uint32_t* error) {
  Path system;
  if (!ReadSystemDirectory(system, error)) return false;
  if (!JoinWhole(directory, system, CurrentPlatformTarget().driverDirectorySuffix)) {
    *error = kErrorFilenameTooLong;
    return false;
  }
  return true;
}

struct DriverAttempt {
  int installed = 0;
  uint32_t error = 0;  // what the spooler (or the path set-up) reported on failure
};

// Two calls in a row at the given level; the spooler sometimes refuses the first
// right after a previous driver of the name went away.
DriverAttempt AddDriverTwice(uint32_t level, const os::DriverInfo3& record) {
  DriverAttempt attempt;
  for (int call = 0; call < 2 && !attempt.installed; ++call) {
    attempt.installed = os::AddPrinterDriverA(nullptr, level, record) ? 1 : 0;
    attempt.error = attempt.installed ? 0 : os::GetLastError();
  }
  return attempt;
}

DriverAttempt InstallDriver(const char* driverName, int postScript, int xps) {
  DriverAttempt attempt;
  Path system;
  if (!ReadSystemDirectory(system, &attempt.error)) {
    if (attempt.error == kErrorFilenameTooLong) {
      LogAppEvent(os::kEventlogErrorType, "InstallPrinterDriver: system directory too long, driver %s not installed",
                  driverName);
    }
    return attempt;
  }
  const PlatformTarget target = CurrentPlatformTarget();
  const DriverFileNames files = DriverFilesForKind(postScript, xps);
  Path directory, driverPath, dataFile, configFile, helpFile;
  if (!JoinWhole(directory, system, target.driverDirectorySuffix) ||
      !JoinWhole(driverPath, directory, files.driverLibrary) || !JoinWhole(dataFile, directory, files.dataFile) ||
      !JoinWhole(configFile, directory, files.configFile) || !JoinWhole(helpFile, directory, files.helpFile)) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinterDriver: driver path too long, driver %s not installed",
                driverName);
    attempt.error = kErrorFilenameTooLong;
    return attempt;
  }
  const DependentFileList dependents = DependentFilesForInstall(postScript, xps);

  os::DriverInfo3 level3;
  level3.version = target.driverVersion;
  level3.name = driverName;
  level3.environment = SpoolerEnvironment;
  level3.driverPath = driverPath;
  level3.dataFile = dataFile;
  level3.configFile = configFile;
  level3.helpFile = helpFile;
  level3.dependentFiles = dependents.data;
  level3.monitorName = nullptr;
  level3.defaultDataType = kDataType;
  attempt = AddDriverTwice(3, level3);

  if (!attempt.installed) {
    LogAppEvent(os::kEventlogWarningType, "AddPrinterDriver 3 failed, error %d", static_cast<int>(attempt.error));
    CheckDependentFiles(dependents.data);
    CheckIfFileExists(driverPath);
    CheckIfFileExists(dataFile);
    CheckIfFileExists(configFile);
    CheckIfFileExists(helpFile);
    os::Sleep(1000);

    os::DriverInfo3 level2;
    level2.version = level3.version;
    level2.name = level3.name;
    level2.environment = level3.environment;
    level2.driverPath = level3.driverPath;
    level2.dataFile = level3.dataFile;
    level2.configFile = level3.configFile;
    attempt = AddDriverTwice(2, level2);
    if (!attempt.installed) {
      LogAppEvent(os::kEventlogErrorType, "AddPrinterDriver 2 failed, error %d", static_cast<int>(attempt.error));
    }
  }
  UpdateDependentFiles(postScript, xps);
  return attempt;
}

// A quote in the name would end the quoted argument and let the rest of the name pass
// as further switches to the printer-setup command.
bool FitsCommandLine(const char* printerName) { return std::strchr(printerName, '"') == nullptr; }

void FinishPrinter(const char* printerName) {
  SetPrinterKeySecurity(printerName);
  CreateSendToShortcut(printerName);
}

// The system's printer-setup command installs the XPS driver and the printer from the
// product's INF file.
int InstallFromInf(const char* printerName, int postScript, int xps) {
  Path system;
  uint32_t error = 0;
  if (!ReadSystemDirectory(system, &error)) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: failed to get system directory for %s, error %d", printerName,
                static_cast<int>(error));
    return 0;
  }
  Path directory;
  char command[1024];
  if (!FitsCommandLine(printerName) || !JoinWhole(directory, system, CurrentPlatformTarget().driverDirectorySuffix)) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: cannot build the INF install command for %s", printerName);
    return 0;
  }
  int written = std::snprintf(command, sizeof command,
                              "rundll32 printui.dll,PrintUIEntry /if /b \"%s\" /f %sFLYNTINF\\folyant.inf /r "
                              "\"PDFFILE:\" /m \"Folyant-A\" ",
                              printerName, directory);
  if (written < 0 || static_cast<size_t>(written) >= sizeof command) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: cannot build the INF install command for %s", printerName);
    return 0;
  }
  LogAppEvent(os::kEventlogInformationType, "InstallPrinter Launching INF install: %s", command);
  RunCommand(SystemFolder::System, "rundll32.exe", command, true);

  os::PrinterHandle handle = nullptr;
  if (!os::OpenPrinterA(printerName, &handle, os::kPrinterAllAccess)) {
    error = os::GetLastError();
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: OpenPrinter INF post launch failed for %s, error %d",
                printerName, static_cast<int>(error));
    return 0;
  }
  OwnedPrinter printer(handle);
  LogAppEvent(os::kEventlogInformationType, "InstallPrinter: INF install successful");
  printer.reset();
  UpdateDependentFiles(postScript, xps);
  FinishPrinter(printerName);
  return 1;
}

}  // namespace

int InstallPrinterDriver(const char* driverName, int postScript, int xps) {
  if (driverName == nullptr) return 0;
  DriverAttempt attempt = InstallDriver(driverName, postScript, xps);
  // Leave the spooler's own answer as the thread's error, not what logging left behind.
  if (!attempt.installed) os::SetLastError(attempt.error);
  return attempt.installed;
}

int InstallPrinter(const char* printerName, int useFilePort, int postScript, int xps) {
  if (printerName == nullptr) return 0;
  const char* driverName = DriverNameForKind(postScript, xps);
  DriverAttempt driver = InstallDriver(driverName, postScript, xps);
  if (!driver.installed && postScript) {
    // The PostScript driver's name on the native (or XPS) files.
    postScript = 0;
    driver = InstallDriver(driverName, postScript, xps);
  }
  if (!driver.installed) {
    if (xps) return InstallFromInf(printerName, postScript, xps);
    AddPrinterError("AddPrinterDriver", driver.error);
    return 0;
  }

  os::PrinterInfo2 record;
  record.printerName = printerName;
  record.portName = useFilePort ? kFilePort : kProductPort;
  record.driverName = driverName;
  record.printProcessor = kPrintProcessor;
  record.datatype = kDataType;
  record.attributes = IsWow64() ? os::kPrinterAttributeLocal | os::kPrinterAttributeKeepPrintedJobs
                                : os::kPrinterAttributeLocal | os::kPrinterAttributeDirect;
  OwnedPrinter printer(os::AddPrinterA(nullptr, 2, record));
  if (!printer) {
    uint32_t error = os::GetLastError();
    if (xps) return InstallFromInf(printerName, postScript, xps);
    AddPrinterError("AddPrinter", error);
    return 0;
  }
  printer.reset();
  FinishPrinter(printerName);
  return driver.installed;
}

void CheckDependentFiles(const char* list) {
  if (list == nullptr) return;
  Path directory;
  uint32_t error = 0;
  if (!ReadDriverDirectory(directory, &error)) return;
  // The environment directory: the driver directory without "<version>\".
  Path environmentDirectory;
  std::memcpy(environmentDirectory, directory, kPathSize);
  size_t length = std::strlen(environmentDirectory);
  environmentDirectory[length >= 2 ? length - 2 : 0] = '\0';

  for (const char* entry = list; *entry != '\0'; entry += std::strlen(entry) + 1) {
    const char* name = ResolvedDependentFile(entry);
    Path path;
    if (JoinWhole(path, directory, name)) {
      CheckIfFileExists(path);
    } else {
      LogAppEvent(os::kEventlogErrorType, "CheckDependentFiles: path too long for %s", name);
    }
    if (JoinWhole(path, environmentDirectory, name)) {
      CheckIfFileExists(path);
    } else {
      LogAppEvent(os::kEventlogErrorType, "CheckDependentFiles: path too long for %s", name);
    }
  }
}

void CheckIfFileExists(const char* path) {
  if (path == nullptr) return;
  if (os::FileExists(path)) return;
  uint32_t error = os::GetLastError();
  char text[kPathSize + 16];
  JoinWhole(text, "missing file ", path);
  LogAppEvent(os::kEventlogErrorType, "CheckIfFileExists: %s", text);
  AddPrinterError(text, error);
}

void AddPrinterError(const char* failedStep, uint32_t error) {
  // The step names printers and paths, which must not break the box's lines.
  char step[512] = {};
  if (failedStep != nullptr) std::snprintf(step, sizeof step, "%s", failedStep);
  MaskControlCharacters(step);
  const int code = static_cast<int>(error);
  LogAppEvent(os::kEventlogErrorType, "AddPrinterError %s, error %d", step, code);

  char message[1024] = {};
  if (error == os::kErrorModNotFound) {
    Path system;
    uint32_t directoryError = 0;
    Path help;
    char command[kPathSize + 16];
    const bool helpPage =
        ReadSystemDirectory(system, &directoryError) &&
        JoinWhole(help, system, CurrentPlatformTarget().driverDirectorySuffix, "folyant.chm::/addprinter126error.htm");
    // The help viewer is a script host with file dialogs: never started with LocalSystem's
    // token, where nobody at the desktop asked for it. The box names the page instead.
    char format[256] = {};
    if (helpPage && os::ProcessRunsAsLocalSystem() &&
        os::LoadStringA(IDS_ERROR_126_HELP_PAGE, format, sizeof format) != 0) {
      FillMessagePlaces(message, sizeof message, format, help);
    } else {
      if (helpPage && JoinWhole(command, "hh.exe ", help)) {
        RunCommand(SystemFolder::Windows, "hh.exe", command, false);
      }
      os::LoadStringA(IDS_ERROR_126, message, sizeof message);
    }
  } else if (error == os::kRpcServerUnavailable) {
    os::LoadStringA(IDS_ERROR_SPOOLER_STOPPED, message, sizeof message);
  } else {
    char format[256] = {};
    if (os::LoadStringA(IDS_ERROR_STEP_FAILED, format, sizeof format) == 0) {
      std::snprintf(format, sizeof format, "%%s error %%d");
    }
    FillMessagePlaces(message, sizeof message, format, step, &code);
  }
  if (message[0] == '\0') FillMessagePlaces(message, sizeof message, "%s error %d", step, &code);
  os::MessageBoxA(nullptr, message, kBoxCaption, os::kMbSystemModal | os::kMbIconError);
}
