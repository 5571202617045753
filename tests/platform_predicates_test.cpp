// The five platform predicates for the Windows versions the product meets.
#include "app/platform_predicates.h"

#include "sim_fixture.h"

namespace {

class PlatformPredicatesTest : public SimTest {};

struct Expected {
  uint32_t version;
  int nt4, vista, eight, ten;
  const char* name;
};

}  // namespace

// Each version gives exactly its row; 8 is asked only after 10, so 10.0 answers false to it.
TEST_F(PlatformPredicatesTest, VersionTable) {
  const Expected rows[] = {
      {sim::kWindowsNT4, 1, 0, 0, 0, "NT 4.0"}, {sim::kWindows95, 0, 0, 0, 0, "95"},
      {sim::kWindows98, 0, 0, 0, 0, "98"},      {sim::kWindows2000, 0, 0, 0, 0, "2000"},
      {sim::kWindowsXP, 0, 0, 0, 0, "XP"},      {sim::kWindowsVista, 0, 1, 0, 0, "Vista"},
      {sim::kWindows7, 0, 1, 0, 0, "7"},        {sim::kWindows8, 0, 1, 1, 0, "8"},
      {sim::kWindows81, 0, 1, 1, 0, "8.1"},     {sim::kWindows10, 0, 1, 0, 1, "10 and 11"},
  };
  for (const Expected& row : rows) {
    machine().version = row.version;
    EXPECT_EQ(IsWindowsNT4(), row.nt4) << row.name;
    EXPECT_EQ(IsWindowsVistaOrLater(), row.vista) << row.name;
    EXPECT_EQ(IsWindows8OrLater(), row.eight) << row.name;
    EXPECT_EQ(IsWindows10OrLater(), row.ten) << row.name;
  }
}

// Nothing is cached: a changed version is seen by the next call.
TEST_F(PlatformPredicatesTest, AskedAfreshEachCall) {
  machine().version = sim::kWindows7;
  EXPECT_EQ(IsWindows10OrLater(), 0);
  machine().version = sim::kWindows10;
  EXPECT_EQ(IsWindows10OrLater(), 1);
  machine().is64BitWindows = false;
  EXPECT_EQ(IsWow64(), 0);
  machine().is64BitWindows = true;
  EXPECT_EQ(IsWow64(), 1);
}

// WOW64 is what IsWow64Process says; missing or failing, the answer is false.
TEST_F(PlatformPredicatesTest, Wow64) {
  machine().is64BitWindows = true;
  EXPECT_EQ(IsWow64(), 1);

  machine().hasIsWow64Process = false;
  EXPECT_EQ(IsWow64(), 0);

  machine().hasIsWow64Process = true;
  machine().FailCall("IsWow64Process", 5);
  EXPECT_EQ(IsWow64(), 0);
}
