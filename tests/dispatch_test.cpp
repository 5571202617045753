#include "app/dispatch.h"

#include "sim_fixture.h"

namespace {
class DispatchTest : public SimTest {};
}

TEST_F(DispatchTest, Placeholder) {
  Dispatch d;
  SelectOperation("-quiet", d);
  EXPECT_EQ(d.operation, Operation::Quiet);
}
