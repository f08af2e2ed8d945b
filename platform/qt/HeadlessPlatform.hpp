#pragma once
// Without a display the app still runs (event server, ticks, sounds, banners): Qt then uses
// its offscreen platform, which draws windows into memory only.
namespace quorvel::HeadlessPlatform {

/// True when neither $DISPLAY nor $WAYLAND_DISPLAY names a display.
bool noDisplay();

/// Before the Qt application object exists: when there is no display and $QT_QPA_PLATFORM
/// chooses no platform, chooses "offscreen" and returns true; otherwise changes nothing and
/// returns false.
bool chooseOffscreenIfNoDisplay();

}  // namespace quorvel::HeadlessPlatform
