// Whether the desktop asks for less motion. Qt has no such setting, so this reads the desktop's
// own: $LUMARA_REDUCE_MOTION ("1" or "0") first, then GNOME's enable-animations through gsettings
// where that tool and schema exist, then gtk-enable-animations in the GTK 3 and 4 settings files.
// The answer is read once per process and cached. UI thread only.
#pragma once

namespace lumara::ui {

inline constexpr const char* kReduceMotionVariable = "LUMARA_REDUCE_MOTION";

bool prefersReducedMotion();

// Animation length to use: `milliseconds`, or 0 when motion is reduced.
int motionDuration(int milliseconds, bool reduceMotion);

} // namespace lumara::ui
