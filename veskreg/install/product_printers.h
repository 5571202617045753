// Which installed printers belong to the product, and the spooler enumeration that the
// removal, settings and check operations share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/target.h"
#include "install/printer_names.h"
#include "platform/handles.h"
#include "platform/kernel.h"
#include "platform/spooler.h"

// True when the driver name is one of the product's six, in any letter case: the printers
// -deleteprinter removes and -checkinstance counts.
bool IsProductDriverName(const char* driverName);

// A printer -verify checks: on a product driver, on a driver of a kind the installation
// makes, or named "Glimmora".
bool IsProductPrinter(const os::PrinterInfo2View& printer);

// A printer with settings keys of its own: on a product driver, and neither "Folyant" nor
// "Glimmora", whose keys are the product's own.
bool HasOwnSettings(const os::PrinterInfo2View& printer);

// True from two product printers on, the image printer not counted.
bool HasMultipleProductPrinters();

// True when a printer of that name can be opened (and it is closed again at once).
bool PrinterExists(const char* printerName);

// One spooler enumeration, asked for its size first, then read into one zero-filled
// block; `error` is what the spooler said when it did not answer (8: no memory for the
// block), and then there are no entries. A printer or driver added between the two calls
// makes the read too small (122): it is read again at the new size, a few times.
struct SpoolerListing {
  os::OwnedLocalBlock block;
  uint32_t count = 0;
  uint32_t error = 0;
  const uint8_t* data() const { return static_cast<const uint8_t*>(block.get()); }
};

// `enumerate(block, size, &needed, &returned)` is one spooler enumeration call.
template <typename Enumerate>
SpoolerListing ListSpooler(Enumerate enumerate) {
  constexpr uint32_t kErrorNotEnoughMemory = 8;
  SpoolerListing listing;
  uint32_t needed = 0;
  uint32_t returned = 0;
  if (!enumerate(nullptr, 0, &needed, &returned)) {
    listing.error = os::GetLastError();
    if (listing.error != os::kErrorInsufficientBuffer) return listing;
    listing.error = 0;
  }
  constexpr int kReads = 4;
  for (int read = 0; read < kReads && needed != 0; ++read) {
    listing.block = os::OwnedLocalBlock(os::LocalAlloc(os::kLmemZeroInit, needed));
    if (!listing.block) {
      listing.error = kErrorNotEnoughMemory;
      return listing;
    }
    const uint32_t size = needed;
    if (enumerate(static_cast<uint8_t*>(listing.block.get()), size, &needed, &returned)) {
      listing.error = 0;
      listing.count = returned;
      return listing;
    }
    listing.error = os::GetLastError();
    if (listing.error != os::kErrorInsufficientBuffer) break;
    if (needed < size) needed = size;
  }
  listing.block.reset();
  return listing;
}

// The local printers at level 2; walk them with os::PrinterInfo2At(data(), i).
SpoolerListing ListPrinters();
// As ListPrinters, for an operation over every product printer: a listing that fails is
// said (one error entry "<where>: EnumPrinters failed, error N", and a report line when
// the run checks itself), or a run that found nothing to work on would look like one
// that did its work.
SpoolerListing ListPrintersFor(const char* where);
// The drivers of the target's environment at level 2 (os::DriverInfo2At).
SpoolerListing ListDrivers(const Target& target);
// True when a printer of the listing uses the driver, its name in any letter case.
bool IsDriverInUse(const SpoolerListing& printers, const char* driverName);
