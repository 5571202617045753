// The ANSI code page's characters: in the Japanese, Chinese and Korean code pages a
// character may be two bytes, and its second byte can be "\" or "|". Rules that judge the
// characters of a name step by this test, never byte by byte.
#pragma once

// Whether `byte` begins a two-byte character.
using LeadByteTest = bool (*)(unsigned char byte);

// The test of the system's ANSI code page; false throughout in a single-byte one.
bool AnsiLeadByte(unsigned char byte);

// Whether `refuses` is true for a single-byte character of the NUL-terminated `text`. A
// two-byte character is passed over whole, so its trail byte is never judged as a
// character of its own; a lead byte at the very end stands alone. Plain text work.
template <typename Refuses>
bool AnySingleByteCharacter(const char* text, LeadByteTest isLeadByte, Refuses refuses) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (isLeadByte(static_cast<unsigned char>(*c)) && c[1] != '\0') {
      ++c;
    } else if (refuses(static_cast<unsigned char>(*c))) {
      return true;
    }
  }
  return false;
}

// Drops a lead byte that a cut left alone at the end of `text`, so that no half character
// is shown or stored.
inline void DropSplitCharacter(char* text, LeadByteTest isLeadByte) {
  for (char* c = text; *c != '\0'; ++c) {
    if (!isLeadByte(static_cast<unsigned char>(*c))) continue;
    if (c[1] == '\0') {
      *c = '\0';
      return;
    }
    ++c;
  }
}
