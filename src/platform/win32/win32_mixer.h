#pragma once
// The machine's mixer devices through winmm's mixer functions: device v is mixer v, its
// destinations, sources and controls as the system lists them. Volumes (the fader class),
// switches (the boolean ones) and lists (mux and mixer) become the model's volumes, switches
// and enumerations; controls of other kinds (meters, numbers, buttons, times) are left out,
// and a line's count of controls counts only those kept. Changes come as MM_MIXM_LINE_CHANGE
// and MM_MIXM_CONTROL_CHANGE to a message-only window of the device's own, and are handed
// on from the event loop.

#include <cstdint>
#include <memory>

#include "platform/mixer.h"

namespace tov::win32 {

class Win32MixerSystem : public IMixerSystem {
 public:
  int deviceCount() override;
  // Open devices on the user-interface thread: their change reports come to its windows.
  std::unique_ptr<IMixerDevice> open(int device, MixerChangeHandler onChange) override;

 private:
  // The system may give a closed device's handle to the next open: ours never repeat.
  std::int32_t nextHandle_ = 1;
};

// Posts MM_MIXM_LINE_CHANGE (line) or MM_MIXM_CONTROL_CHANGE to the device's window, as the
// system does when something changes, for a test to follow a report through: Wine sends
// none when a control is set. False for a device that is not one of these.
bool postSystemChange(IMixerDevice& device, bool line, std::uint32_t id);

}  // namespace tov::win32
