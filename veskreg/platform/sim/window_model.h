// The simulated window system: dialogs, the splash window and the scripted user.
#pragma once

namespace sim {

struct WindowModel {};

}  // namespace sim
