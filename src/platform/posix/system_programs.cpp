#include "platform/system_programs.h"

namespace tov {

// The distribution's programs, then the machine's own; PulseAudio's and PipeWire's desktops
// both answer to pavucontrol.
SystemPrograms systemPrograms() { return {"/usr/bin/", "/usr/local/bin/", {"pavucontrol"}}; }

}  // namespace tov
