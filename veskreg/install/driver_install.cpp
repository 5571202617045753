#include "install/driver_install.h"

#include <cstdio>
#include <cstring>

#include "core/diagnostics.h"
#include "core/platform_predicates.h"
#include "core/system_paths.h"
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

constexpr uint32_t kErrorFilenameTooLong = kErrorFilenameExcedRange;
constexpr const char* kBoxCaption = "Folyant";

using os::OwnedPrinter;
using Path = char[kSystemPathSize];

// The system directory in a 520-byte buffer. On failure returns false with `error`
// set: the call's own code, or 206 when the directory does not fit.
bool ReadSystemDirectory(Path& directory, uint32_t* error) {
  uint32_t length = os::GetSystemDirectoryA(directory, kSystemPathSize);
  if (length == 0) {
    *error = os::GetLastError();
    return false;
  }
  if (length >= kSystemPathSize) {
    directory[0] = '\0';
    *error = kErrorFilenameTooLong;
    return false;
  }
  return true;
}

// System directory + the target's driver directory (ends in a backslash).
bool ReadDriverDirectory(Path& directory, uint32_t* error, const Target& target) {
  Path system;
  if (!ReadSystemDirectory(system, error)) return false;
  if (!JoinWhole(directory, system, target.driverDirectory)) {
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

DriverAttempt InstallDriver(const char* driverName, DriverKind kind, const Target& target) {
  DriverAttempt attempt;
  Path system;
  if (!ReadSystemDirectory(system, &attempt.error)) {
    if (attempt.error == kErrorFilenameTooLong) {
      LogAppEvent(os::kEventlogErrorType, "InstallPrinterDriver: system directory too long, driver %s not installed",
                  driverName);
    }
    return attempt;
  }
  const DriverFileNames files = DriverFilesFor(kind, target);
  Path directory, driverPath, dataFile, configFile, helpFile;
  if (!JoinWhole(directory, system, target.driverDirectory) || !JoinWhole(driverPath, directory, files.driverLibrary) ||
      !JoinWhole(dataFile, directory, files.dataFile) || !JoinWhole(configFile, directory, files.configFile) ||
      !JoinWhole(helpFile, directory, files.helpFile)) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinterDriver: driver path too long, driver %s not installed",
                driverName);
    attempt.error = kErrorFilenameTooLong;
    return attempt;
  }
  const DependentFileList dependents = DependentFilesForInstall(kind);

  os::DriverInfo3 level3;
  level3.version = target.driverVersion;
  level3.name = driverName;
  level3.environment = target.environment;
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
    CheckDependentFiles(dependents.data, target);
    for (const char* path : {driverPath, dataFile, configFile, helpFile}) CheckIfFileExists(path, target);
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
  UpdateDependentFiles(kind, target);
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
int InstallFromInf(const char* printerName, DriverKind kind, const Target& target) {
  Path system;
  uint32_t error = 0;
  if (!ReadSystemDirectory(system, &error)) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: failed to get system directory for %s, error %d", printerName,
                static_cast<int>(error));
    return 0;
  }
  Path directory;
  char command[1024];
  if (!FitsCommandLine(printerName) || !JoinWhole(directory, system, target.driverDirectory)) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: cannot build the INF install command for %s", printerName);
    return 0;
  }
  // In a run that shows no window the printer setup is asked for none either (/q): its
  // error boxes would wait in session 0 for a click that never comes.
  int written = std::snprintf(command, sizeof command,
                              "rundll32 printui.dll,PrintUIEntry /if /b \"%s\" /f %sFLYNTINF\\folyant.inf /r "
                              "\"%s\" /m \"%s\" %s",
                              printerName, directory, kProductPort, kXpsDriverName, BoxesWithheld() ? "/q " : "");
  if (written < 0 || static_cast<size_t>(written) >= sizeof command) {
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: cannot build the INF install command for %s", printerName);
    return 0;
  }
  LogAppEvent(os::kEventlogInformationType, "InstallPrinter Launching INF install: %s", command);
  RunCommand(SystemFolder::System, "rundll32.exe", command, true);

  OwnedPrinter printer;
  if (!os::OpenPrinterA(printerName, printer.put(), os::kPrinterAllAccess)) {
    error = os::GetLastError();
    LogAppEvent(os::kEventlogErrorType, "InstallPrinter: OpenPrinter INF post launch failed for %s, error %d",
                printerName, static_cast<int>(error));
    return 0;
  }
  LogAppEvent(os::kEventlogInformationType, "InstallPrinter: INF install successful");
  printer.reset();
  UpdateDependentFiles(kind, target);
  FinishPrinter(printerName);
  return 1;
}

}  // namespace

int InstallPrinterDriver(const char* driverName, DriverKind kind, const Target& target) {
  if (driverName == nullptr) return 0;
  DriverAttempt attempt = InstallDriver(driverName, kind, target);
  // Leave the spooler's own answer as the thread's error, not what logging left behind.
  if (!attempt.installed) os::SetLastError(attempt.error);
  return attempt.installed;
}

int InstallPrinter(const char* printerName, int useFilePort, DriverKind kind, const Target& target) {
  if (printerName == nullptr) return 0;
  const char* driverName = FactsOf(kind).driverName;
  // The XPS kinds have one more road: the system's printer-setup command.
  const bool fromInf = FactsOf(kind).files == FileSet::Xps;
  DriverAttempt driver = InstallDriver(driverName, kind, target);
  if (!driver.installed && FactsOf(kind).refused != kind) {
    // The PostScript driver's name on the native (or XPS) files.
    kind = FactsOf(kind).refused;
    driver = InstallDriver(driverName, kind, target);
  }
  if (!driver.installed) {
    if (fromInf) return InstallFromInf(printerName, kind, target);
    AddPrinterError("AddPrinterDriver", driver.error, target);
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
    if (fromInf) return InstallFromInf(printerName, kind, target);
    AddPrinterError("AddPrinter", error, target);
    return 0;
  }
  printer.reset();
  FinishPrinter(printerName);
  return driver.installed;
}

void CheckDependentFiles(const char* list, const Target& target) {
  if (list == nullptr) return;
  Path directory;
  uint32_t error = 0;
  if (!ReadDriverDirectory(directory, &error, target)) return;
  // The environment directory: the driver directory without "<version>\".
  Path environmentDirectory;
  std::memcpy(environmentDirectory, directory, kSystemPathSize);
  size_t length = std::strlen(environmentDirectory);
  environmentDirectory[length >= 2 ? length - 2 : 0] = '\0';

  for (const char* entry = list; *entry != '\0'; entry += std::strlen(entry) + 1) {
    const char* name = ResolvedDependentFile(entry);
    Path path;
    if (JoinWhole(path, directory, name)) {
      CheckIfFileExists(path, target);
    } else {
      LogAppEvent(os::kEventlogErrorType, "CheckDependentFiles: path too long for %s", name);
    }
    if (JoinWhole(path, environmentDirectory, name)) {
      CheckIfFileExists(path, target);
    } else {
      LogAppEvent(os::kEventlogErrorType, "CheckDependentFiles: path too long for %s", name);
    }
  }
}

void CheckIfFileExists(const char* path, const Target& target) {
  if (path == nullptr) return;
  if (os::FileExists(path)) return;
  uint32_t error = os::GetLastError();
  char text[kSystemPathSize + 16];
  JoinWhole(text, "missing file ", path);
  LogAppEvent(os::kEventlogErrorType, "CheckIfFileExists: %s", text);
  AddPrinterError(text, error, target);
}

void AddPrinterError(const char* failedStep, uint32_t error, const Target& target) {
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
    char command[kSystemPathSize + 16];
    const bool helpPage = ReadSystemDirectory(system, &directoryError) && JoinWhole(help, system, target.helpPage);
    // The help viewer is a script host with file dialogs: never started with LocalSystem's
    // token, where nobody at the desktop asked for it, nor in a run that shows no window.
    // The box (or the report) names the page instead.
    char format[256] = {};
    if (helpPage && (BoxesWithheld() || os::ProcessRunsAsLocalSystem()) &&
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
  ShowBox(nullptr, message, kBoxCaption, os::kMbSystemModal | os::kMbIconError);
}
