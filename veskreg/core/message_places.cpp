#include "core/message_places.h"

#include <cstdio>

void FillMessagePlaces(char* out, size_t size, const char* format, const char* text, const int* number,
                       LeadByteTest isLeadByte) {
  if (size == 0) return;
  char numberText[16] = {};
  if (number != nullptr) std::snprintf(numberText, sizeof numberText, "%d", *number);
  size_t used = 0;
  bool cut = false;
  auto put = [&](const char* piece) {
    for (; *piece != '\0'; ++piece) {
      if (used + 1 < size) {
        out[used++] = *piece;
      } else {
        cut = true;
      }
    }
  };
  bool textPlaced = false;
  bool numberPlaced = number == nullptr;
  for (const char* p = format; *p != '\0'; ++p) {
    if (p[0] == '%' && p[1] == '%') {
      put("%");
      ++p;
    } else if (!textPlaced && p[0] == '%' && p[1] == 's') {
      put(text != nullptr ? text : "(null)");
      textPlaced = true;
      ++p;
    } else if (!numberPlaced && p[0] == '%' && p[1] == 'd') {
      put(numberText);
      numberPlaced = true;
      ++p;
    } else {
      const char single[2] = {*p, '\0'};
      put(single);
    }
  }
  out[used] = '\0';
  if (cut) DropSplitCharacter(out, isLeadByte);
}

void MaskControlCharacters(char* text) {
  for (char* c = text; *c != '\0'; ++c) {
    const unsigned char byte = static_cast<unsigned char>(*c);
    if (byte < 0x20 || byte == 0x7F) *c = '?';
  }
}
