#pragma once
// Without a usable display the app still runs (event server, ticks, sounds, banners): Qt then
// uses its offscreen platform, which draws windows into memory only. A display named but not
// reachable (a tmux session kept from an earlier login, a dropped `ssh -X`, an X authority
// file that no longer holds the display's key) counts as none: Qt's X11 platform would abort
// the process on it.
// Before the Qt application object exists; main thread.
#include <string>

namespace quorvel::HeadlessPlatform {

/// What the environment gives the app to show its windows on.
enum class Display {
    /// Neither $DISPLAY nor $WAYLAND_DISPLAY names one.
    none,
    /// $DISPLAY names an X display that can't be opened (no server, or one that refuses us).
    unreachable,
    /// $DISPLAY opens, or only $WAYLAND_DISPLAY names one (left to Qt to open).
    usable,
};

/// True when neither $DISPLAY nor $WAYLAND_DISPLAY names a display.
bool noDisplay();

/// Looks at the environment and, for $DISPLAY, opens and closes a connection to it (within
/// the X library's own connect time, which is short for a local display).
Display probeDisplay();

/// Sets the process up for `display`: with none, or an unreachable one and no Wayland display
/// besides, chooses "offscreen" where $QT_QPA_PLATFORM chooses nothing or the X11 platform,
/// and drops $DISPLAY when it can't be opened, so neither Qt nor the programs the app starts
/// try it again. Returns the line to tell on standard error when the app goes without windows
/// this way, else an empty text.
std::string chooseOffscreenWithoutDisplay(Display display);

/// Whether the Qt platform this process will use (from $QT_QPA_PLATFORM once chosen) draws
/// into memory only ("offscreen", "minimal").
bool platformIsWindowless();

}  // namespace quorvel::HeadlessPlatform
