// The display's power-saving time-out through the X11 DPMS extension.
//
// The low-power time-out of the host seam is the DPMS standby time-out, the first
// stage of power saving. The server requires standby <= suspend <= off (for the ones
// that are set), so a standby of 1 second is always accepted, and so is the value it
// had before as long as suspend and off are untouched: setting 1 and then the saved
// value leaves the display exactly as it was. (Suspend or off would need their
// neighbours moved, which a single saved value could not put back.) The display is the one $DISPLAY
// names; without one, or on a server without DPMS, there is nothing to ask or set.
// The change holds for the X session only.
#pragma once

#include <cstdint>

namespace dpms {

// The standby time-out in seconds (0: never); false without a DPMS display.
bool GetLowPowerTimeout(uint32_t& seconds);
// Sets the standby time-out (limited to 65535 s), leaving suspend and off alone.
void SetLowPowerTimeout(uint32_t seconds);

} // namespace dpms
