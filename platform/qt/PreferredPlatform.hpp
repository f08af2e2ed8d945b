#pragma once
// Wayland gives a client no global window positions and ignores the stacking and workspace
// hints the device and the strip rely on; XWayland honours them. So where both kinds of
// display are offered and the user named no Qt platform, the app asks for X11.
namespace quorvel::PreferredPlatform {

/// Before the Qt application object exists: when $DISPLAY names a display and
/// $QT_QPA_PLATFORM is unset or empty, sets it to "xcb" and returns true; otherwise changes
/// nothing and returns false.
bool preferX11();

}  // namespace quorvel::PreferredPlatform
