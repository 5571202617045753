#include "core/code_page.h"

#include "platform/kernel.h"

bool AnsiLeadByte(unsigned char byte) { return os::IsDBCSLeadByte(byte); }
