// FillMessagePlaces on any format, text, number and size: ended within its size, cut a prefix of
// the whole, places filled; MaskControlCharacters turns exactly the control characters into "?".
#include <fuzzer/FuzzedDataProvider.h>

#include <cassert>
#include <cstring>
#include <memory>
#include <string>

#include "core/message_places.h"

static bool SingleByte(unsigned char) { return false; }
static bool Lead932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

static std::string Fill(size_t size, const std::string& format, const char* text, const int* number) {
  std::unique_ptr<char[]> out(new char[size]);  // exactly `size` bytes: a write past them is caught
  char guard = 'g';
  FillMessagePlaces(size > 0 ? out.get() : &guard, size, format.c_str(), text, number, SingleByte);
  assert(guard == 'g' && (size == 0 || std::memchr(out.get(), '\0', size) != nullptr));
  return size > 0 ? out.get() : "";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t room = input.ConsumeIntegralInRange<size_t>(0, 300);
  const int number = input.ConsumeIntegral<int>();
  const int* numberPlace = input.ConsumeBool() ? &number : nullptr;
  const std::string text = input.ConsumeRandomLengthString(300).c_str();
  const std::string format = input.ConsumeRemainingBytesAsString().c_str();
  const char* textPlace = text.empty() ? nullptr : text.c_str();

  // Uncut: each character of the format gives at most one, the places at most the text
  // (or "(null)") and the number.
  const size_t enough = format.size() + text.size() + 6 + 11 + 2;
  const std::string whole = Fill(enough, format, textPlace, numberPlace);
  assert(whole.size() + 1 < enough &&
         Fill(room, format, textPlace, numberPlace) == whole.substr(0, room ? room - 1 : 0));
  // The first of each place is filled, a "%d" without a number kept; "%%" gives "%".
  assert(Fill(enough + 4, "%s %d%s%d", textPlace, numberPlace) ==
         (textPlace ? text : "(null)") + " " + (numberPlace ? std::to_string(number) : "%d") + "%s%d");
  std::string escaped;
  for (char c : text) escaped += c == '%' ? "%%" : std::string(1, c);
  assert(Fill(text.size() + 1, escaped, "placed", numberPlace) == text);

  // Cut in code page 932, the text ends in no half character and is a prefix of the whole.
  if (room > 0) {
    std::unique_ptr<char[]> out(new char[room]);
    FillMessagePlaces(out.get(), room, format.c_str(), textPlace, numberPlace, Lead932);
    const std::string cut = out.get();
    assert(whole.starts_with(cut) && cut.size() < room);
    for (size_t at = 0; cut.size() < whole.size() && at < cut.size(); ++at) {
      if (Lead932(cut[at])) assert(++at < cut.size());
    }
  }

  // Masking leaves no control character and changes nothing else.
  std::string masked = format;
  MaskControlCharacters(masked.data());
  assert(masked.size() == format.size());
  for (size_t i = 0; i < format.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(format[i]);
    assert(masked[i] == (c < 0x20 || c == 0x7F ? '?' : format[i]));
  }
  return 0;
}
