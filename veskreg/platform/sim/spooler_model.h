// The simulated spooler's drivers and monitors (printers are Machine::printers).
#pragma once

namespace sim {

struct SpoolerModel {};

}  // namespace sim
