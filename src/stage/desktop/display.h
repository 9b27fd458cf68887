#pragma once

// What the desktop stage needs to know about the display it runs on.

namespace vistrel::desktop {

// On a Wayland session a program may not place its own windows, yet scripts put characters at
// exact screen pixels; through XWayland they can. Call before the application object is made:
// sets QT_QPA_PLATFORM=xcb when both WAYLAND_DISPLAY and DISPLAY are set and QT_QPA_PLATFORM
// is not. Returns whether it did.
bool preferXcbOnWayland();

// Whether windows may have per-pixel alpha: a compositing manager runs on X11 (it owns the
// _NET_WM_CM_S<screen> selection), or the display is Wayland, which always composites.
bool compositorRunning();

}  // namespace vistrel::desktop
