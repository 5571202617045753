// The simulated shell: special folders, the Printers folder and shell links.
#pragma once

namespace sim {

struct ShellModel {};

}  // namespace sim
