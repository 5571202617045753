// Files: the one question the program asks of the file system directly.
#pragma once

namespace os {

// OpenFile(path, OF_EXIST): opens and closes the file; true when it exists. Like the
// real call it cannot take a path of 128 characters or more.
bool FileExists(const char* path);

}  // namespace os
