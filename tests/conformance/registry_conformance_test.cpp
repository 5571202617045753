// The registry wrappers' contract, as the simulated and the real registry both keep it.
#include <string>
#include <vector>

#include "conformance.h"
#include "platform/registry.h"

namespace conformance {
namespace {

constexpr uint32_t kRegCreatedNewKey = 1;
constexpr uint32_t kRegOpenedExistingKey = 2;

class RegistryConformanceTest : public ConformanceTest {
 protected:
  // HKCU\<kUserKey>\Probe, created for writing.
  os::OwnedRegistryKey CreateProbeKey(uint32_t* disposition = nullptr) {
    os::RegistryKey key = nullptr;
    int32_t status = os::RegCreateKeyExA(os::HkeyCurrentUser(), Path().c_str(), os::kRegOptionNonVolatile,
                                         os::kKeyAllAccess, &key, disposition);
    EXPECT_EQ(status, 0);
    return os::OwnedRegistryKey(key);
  }
  os::OwnedRegistryKey OpenProbeKey(uint32_t access) {
    os::RegistryKey key = nullptr;
    EXPECT_EQ(os::RegOpenKeyExA(os::HkeyCurrentUser(), Path().c_str(), 0, access, &key), 0);
    return os::OwnedRegistryKey(key);
  }
  static std::string Path() { return std::string(kUserKey) + "\\Probe"; }
  static int32_t Status(uint32_t error) { return static_cast<int32_t>(error); }
};

}  // namespace

// Creating reports whether the key was new; opening finds it afterwards.
TEST_F(RegistryConformanceTest, CreateReportsNewOrExistingKey) {
  uint32_t disposition = kUntouched;
  { auto key = CreateProbeKey(&disposition); }
  EXPECT_EQ(disposition, kRegCreatedNewKey);
  disposition = kUntouched;
  { auto key = CreateProbeKey(&disposition); }
  EXPECT_EQ(disposition, kRegOpenedExistingKey);
  auto opened = OpenProbeKey(os::kKeyRead);
  EXPECT_TRUE(opened);
}

// Size probes: no buffer gives the size, one byte short gives 234 with the size, exact
// succeeds and writes nothing past the data.
TEST_F(RegistryConformanceTest, QueryReportsTheSizeItNeeds) {
  {
    auto key = CreateProbeKey();
    ASSERT_EQ(os::RegSetValueExA(key.get(), "Name", os::kRegSz, reinterpret_cast<const uint8_t*>("12345"), 6), 0);
  }
  auto key = OpenProbeKey(os::kKeyRead);
  uint32_t type = kUntouched;
  uint32_t size = kUntouched;
  EXPECT_EQ(os::RegQueryValueExA(key.get(), "Name", &type, nullptr, &size), 0);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(type, os::kRegSz);

  uint8_t buffer[8] = {0xbd, 0xbd, 0xbd, 0xbd, 0xbd, 0xbd, 0xbd, 0xbd};
  size = 5;
  EXPECT_EQ(os::RegQueryValueExA(key.get(), "Name", &type, buffer, &size), os::kErrorMoreData);
  EXPECT_EQ(size, 6u);
  size = 6;
  EXPECT_EQ(os::RegQueryValueExA(key.get(), "Name", &type, buffer, &size), 0);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer)), "12345");
  EXPECT_EQ(buffer[6], 0xbd) << "nothing written past the data";
}

// A multi-string comes back byte for byte as it was written, both terminators included.
TEST_F(RegistryConformanceTest, MultiStringRoundTripsItsBytes) {
  const std::vector<uint8_t> written = {'o', 'n', 'e', 0, 't', 'w', 'o', 0, 0};
  {
    auto key = CreateProbeKey();
    ASSERT_EQ(
        os::RegSetValueExA(key.get(), "List", os::kRegMultiSz, written.data(), static_cast<uint32_t>(written.size())),
        0);
  }
  auto key = OpenProbeKey(os::kKeyRead);
  uint32_t type = kUntouched;
  uint32_t size = 0;
  ASSERT_EQ(os::RegQueryValueExA(key.get(), "List", &type, nullptr, &size), 0);
  EXPECT_EQ(size, written.size());
  std::vector<uint8_t> read(64, 0xbd);
  size = static_cast<uint32_t>(read.size());
  ASSERT_EQ(os::RegQueryValueExA(key.get(), "List", &type, read.data(), &size), 0);
  EXPECT_EQ(type, os::kRegMultiSz);
  read.resize(size);
  EXPECT_EQ(read, written);
}

// Deleting a value that is not there, or querying it, is ERROR_FILE_NOT_FOUND.
TEST_F(RegistryConformanceTest, MissingValueIsNotFound) {
  auto key = CreateProbeKey();
  const uint8_t byte = 1;
  ASSERT_EQ(os::RegSetValueExA(key.get(), "Present", os::kRegBinary, &byte, 1), 0);
  EXPECT_EQ(os::RegDeleteValueA(key.get(), "Present"), 0);
  EXPECT_EQ(os::RegDeleteValueA(key.get(), "Present"), Status(os::kErrorFileNotFound));
  uint32_t size = 0;
  EXPECT_EQ(os::RegQueryValueExA(key.get(), "Present", nullptr, nullptr, &size), Status(os::kErrorFileNotFound));
}

// Opening a key that does not exist is ERROR_FILE_NOT_FOUND, with no handle.
TEST_F(RegistryConformanceTest, MissingKeyIsNotFound) {
  os::RegistryKey key = reinterpret_cast<os::RegistryKey>(1);
  const std::string path = std::string(kUserKey) + "\\Absent";
  EXPECT_EQ(os::RegOpenKeyExA(os::HkeyCurrentUser(), path.c_str(), 0, os::kKeyRead, &key),
            Status(os::kErrorFileNotFound));
  EXPECT_EQ(key, nullptr);
}

// A handle opened for reading cannot write or delete values; creating a subkey asks the
// key's own security, not the handle's rights.
TEST_F(RegistryConformanceTest, ReadHandleCannotWrite) {
  { auto created = CreateProbeKey(); }
  auto key = OpenProbeKey(os::kKeyRead);
  const uint8_t byte = 1;
  EXPECT_EQ(os::RegSetValueExA(key.get(), "Value", os::kRegBinary, &byte, 1), Status(os::kErrorAccessDenied));
  EXPECT_EQ(os::RegDeleteValueA(key.get(), "Value"), Status(os::kErrorAccessDenied));
  os::RegistryKey child = nullptr;
  EXPECT_EQ(os::RegCreateKeyExA(key.get(), "Child", 0, os::kKeyRead, &child, nullptr), 0);
  os::OwnedRegistryKey owned(child);
  EXPECT_TRUE(owned);
}

// --- environment expansion ---

// The count includes the terminator; asked with no room, or one byte short, it is the
// size needed; exactly that size expands.
TEST_F(RegistryConformanceTest, ExpandEnvironmentStringsProbesItsSize) {
  SetProcessVariable("VESKREG_CONFORMANCE", "C:\\Conformance");
  const char* source = "%VESKREG_CONFORMANCE%\\folyant.dll";
  const std::string expected = "C:\\Conformance\\folyant.dll";

  const uint32_t needed = os::ExpandEnvironmentStringsA(source, nullptr, 0);
  EXPECT_EQ(needed, expected.size() + 1);
  std::vector<char> buffer(needed + 8, '\x7f');
  EXPECT_EQ(os::ExpandEnvironmentStringsA(source, buffer.data(), needed - 1), needed);
  EXPECT_EQ(os::ExpandEnvironmentStringsA(source, buffer.data(), needed), needed);
  EXPECT_EQ(std::string(buffer.data()), expected);
  EXPECT_EQ(buffer[needed], '\x7f');
}

// A name that is no variable stays as written, its percent signs included, and the
// text after it is read afresh.
TEST_F(RegistryConformanceTest, ExpandEnvironmentStringsKeepsUnknownNames) {
  SetProcessVariable("VESKREG_CONFORMANCE", "C:\\Conformance");
  char buffer[256];
  const char* source = "%VESKREG_NO_SUCH%VESKREG_CONFORMANCE%";
  ASSERT_GT(os::ExpandEnvironmentStringsA(source, buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, source);

  source = "%VESKREG_NO_SUCH%\\%VESKREG_CONFORMANCE%";
  ASSERT_GT(os::ExpandEnvironmentStringsA(source, buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "%VESKREG_NO_SUCH%\\C:\\Conformance");
}

}  // namespace conformance
