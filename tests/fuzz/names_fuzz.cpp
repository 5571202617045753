// The command line and printer names on any text: the switch selected and the name taken whole
// or not at all, the names refused in single-byte and 932 code pages, the first free copy name.
#include <cassert>
#include <string>
#include <vector>

#include "app/command_line.h"

using enum Operation;
// The switches in the order they are tested, and what each selects.
// clang-format off
static constexpr std::string_view kSwitches[] = {
    "-stopautoname", "-addinstance", "-checkinstance", "-regaddprinter", "-regaddxpsprinter", "-addprinter",
    "-addpsprinter", "-addxpsprinter", "-updatepsdependentfiles", "-updatexpsdependentfiles", "-updatedependentfiles",
    "-deleteprinterinstance", "-DeleteLodestarInstance", "-deleteprinter", "-splash", "-quiet"};
static constexpr Operation kSelects[] = {
    StopAutoName, AddPrinterInstance, CheckInstance, InstallPrinter, InstallPrinter, InstallPrinter, InstallPrinter, InstallPrinter,
    UpdateDependentFiles, UpdateDependentFiles, UpdateDependentFiles, DeletePrinterInstance, DeletePrinterInstance,
    DeleteAllProductPrinters, SplashHost, Quiet};
// clang-format on

static bool SingleByte(unsigned char) { return false; }
// The lead bytes of code page 932.
static bool Lead932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
// Where each character of `text` begins.
static std::vector<size_t> CharacterStarts(const std::string& text, bool (*lead)(unsigned char)) {
  std::vector<size_t> starts;
  for (size_t at = 0; at < text.size(); at += lead(text[at]) && at + 1 < text.size() ? 2 : 1) starts.push_back(at);
  return starts;
}

static size_t takenCount, askedCount;  // "Folyant (Copy 1)" to "Folyant (Copy takenCount)" are taken

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  auto has = [line](std::string_view text) { return line.find(text) != line.npos; };
  Dispatch dispatch;
  SelectOperation(line, dispatch, SingleByte);
  Operation expected = AboutBox;
  for (size_t i = std::size(kSwitches); i-- > 0;) expected = has(kSwitches[i]) ? kSelects[i] : expected;
  assert(dispatch.operation == expected && dispatch.targetX64 == (expected != StopAutoName && has("-x64")));
  const bool adds = expected == InstallPrinter, updates = expected == UpdateDependentFiles;
  const bool registryOnly = has("-regaddprinter") || has("-regaddxpsprinter");
  assert(dispatch.monitorOnly == (adds && has("-addmonitor")));
  assert(dispatch.postScript ==
         (adds ? !registryOnly && has("-addpsprinter") : updates && has("-updatepsdependentfiles")));
  assert(dispatch.xps == (adds ? has(registryOnly ? "-regaddxpsprinter" : "-addxpsprinter")
                               : updates && !dispatch.postScript && has("-updatexpsdependentfiles")));
  // The value starts one character (its opening quote) after the equals sign and runs to
  // a quote; a NUL within it ends the name.
  const size_t at = line.find("-printername=");
  std::string_view value = has("-imageprinter") ? kImagePrinterName : kDefaultPrinterName;
  if (!registryOnly && at != line.npos && at + 13 < line.size()) value = line.substr(at + 14);
  value = adds ? value.substr(0, value.find('"')) : "";
  const bool fits = value.size() < kPrinterNameSize;
  // -verify counts anywhere but inside the -printername= value, up to its closing quote.
  const size_t valueEnd = at == line.npos ? line.npos : line.find('"', at + 14);
  bool verify = false;
  for (size_t f = line.find("-verify"); f != line.npos; f = line.find("-verify", f + 1)) {
    verify = verify || at == line.npos || f < at + 13 || (valueEnd != line.npos && f > valueEnd);
  }
  assert(dispatch.verify == verify && dispatch.quiet == has("-quiet"));
  // The name ends within its buffer: at most 259 characters.
  assert(std::string_view(dispatch.printerName, kPrinterNameSize).find('\0') != std::string_view::npos);
  assert(dispatch.printerName == (fits ? value.substr(0, value.find('\0')) : "") &&
         dispatch.overlongNameLength == (fits ? 0 : value.size()));

  // In a single-byte code page every byte is a character; in 932 no refused character is
  // found inside a two-byte one, and a real one after a whole character still is.
  const std::string name = std::string(line).c_str();
  assert(ValidatePrinterName(name.c_str(), SingleByte) ==
         (!name.empty() && name.find_first_of("<>:?&=|*\"[]/\\%") == name.npos));
  bool refused = name.empty();
  for (size_t at : CharacterStarts(name, Lead932)) {
    refused = refused || (!(Lead932(name[at]) && at + 1 < name.size()) &&
                          std::string_view("<>:?&=|*\"[]/\\%").find(name[at]) != std::string_view::npos);
  }
  assert(ValidatePrinterName(name.c_str(), Lead932) == !refused);
  // In 932 the unseen character after the equals sign is skipped whole.
  Dispatch doubleByte;
  SelectOperation(line, doubleByte, Lead932);
  if (adds && !registryOnly && at != line.npos && at + 14 < line.size() && Lead932(line[at + 13]) && fits) {
    const std::string_view rest = line.substr(at + 15);
    const std::string_view named = rest.substr(0, rest.find('"'));
    assert(named.size() >= kPrinterNameSize || doubleByte.printerName == named.substr(0, named.find('\0')));
  }
  takenCount = size > 0 ? data[0] % 32 : 0;
  askedCount = 0;
  // A name asked out of turn counts as free, so it would be the proposal.
  const std::string proposal = FirstFreeCopyName([](const char* asked) {
    return asked == "Folyant (Copy " + std::to_string(++askedCount) + ")" && askedCount <= takenCount;
  });
  assert(proposal == "Folyant (Copy " + std::to_string(takenCount + 1) + ")");
  return 0;
}
