// OpenFile with OF_EXIST, the one question the program asks of the file system.
#include <string>

#include "conformance.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/types.h"

namespace conformance {
namespace {

class FilesConformanceTest : public ConformanceTest {};

// An existing file is found and a missing one is not (error 2); a path too long for
// OpenFile's record is never found, even though the file is there.
TEST_F(FilesConformanceTest, OpenFileExistWithinItsPathLimit) {
  const std::string present = "C:\\Conformance present.txt";
  PutFile(present, "x");
  EXPECT_TRUE(os::FileExists(present.c_str()));

  os::SetLastError(kUntouched);
  EXPECT_FALSE(os::FileExists("C:\\Conformance missing.txt"));
  EXPECT_EQ(os::GetLastError(), os::kErrorFileNotFound);

  const std::string longPath = "C:\\Conformance " + std::string(140, 'l') + ".txt";
  PutFile(longPath, "x");
  ASSERT_TRUE(FileOnDisk(longPath));
  EXPECT_FALSE(os::FileExists(longPath.c_str()));
}

}  // namespace
}  // namespace conformance
