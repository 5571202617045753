// The base of every behaviour test: a fresh simulated machine per test, and at the end
// of each test the checks that hold after any operation.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/machine.h"

class SimTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(machine_->OpenHandles(), 0) << "left open:\n" << machine_->DescribeOpenHandles();
    EXPECT_TRUE(machine_->violations.empty()) << machine_->violations.front();
  }

  sim::Machine& machine() { return *machine_; }

  // Runs the whole program as the framework would, with `commandLine` as the text after
  // the program's name; returns the process exit code.
  int RunProgram(const char* commandLine);

  // The event-log texts, in order.
  std::vector<std::string> LogTexts() const;

  sim::ScopedMachine machine_;
};
