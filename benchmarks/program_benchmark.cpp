// Whole-program runs over 10 to 10,000 product printers on the simulated Windows.
// Reported: wall time per run, the machine's virtual milliseconds (the one-second pauses
// of the removal), and the spooler calls made; all three should grow linearly.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "app/veskreg_app.h"
#include "platform/sim/machine.h"
#include "platform/window.h"

namespace {

void ArrangePrinters(int64_t count) {
  sim::ResetMachine();
  sim::Machine& m = sim::machine();
  m.printers.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    m.printers.push_back(sim::Printer{"Folyant " + std::to_string(i), "Folyant-A"});
  }
}

int RunProgram(const char* commandLine) {
  CVeskregApp app;
  return os::RunApplication(app, commandLine);
}

void RunOverPrinters(benchmark::State& state, const char* commandLine) {
  const int64_t count = state.range(0);
  uint32_t virtualMilliseconds = 0;
  size_t calls = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ArrangePrinters(count);
    const uint32_t startTick = sim::machine().tickCount;
    state.ResumeTiming();

    benchmark::DoNotOptimize(RunProgram(commandLine));

    state.PauseTiming();
    virtualMilliseconds = sim::machine().tickCount - startTick;
    calls = sim::machine().calls.size();
    state.ResumeTiming();
  }
  state.SetComplexityN(count);
  state.counters["virtual_ms"] = virtualMilliseconds;
  state.counters["calls"] = static_cast<double>(calls);
  sim::ResetMachine();
}

void BM_CheckInstance(benchmark::State& state) { RunOverPrinters(state, "-checkinstance"); }
void BM_StopAutoName(benchmark::State& state) { RunOverPrinters(state, "-stopautoname"); }
void BM_DeletePrinter(benchmark::State& state) { RunOverPrinters(state, "-deleteprinter"); }

void PrinterCounts(benchmark::internal::Benchmark* b) {
  b->RangeMultiplier(10)->Range(10, 10000)->Unit(benchmark::kMicrosecond)->Complexity(benchmark::oN);
}

}  // namespace

BENCHMARK(BM_CheckInstance)->Apply(PrinterCounts);
BENCHMARK(BM_StopAutoName)->Apply(PrinterCounts);
BENCHMARK(BM_DeletePrinter)->Apply(PrinterCounts)->Iterations(1);
