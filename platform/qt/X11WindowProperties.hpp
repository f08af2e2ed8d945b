#pragma once
// The window-manager hints (EWMH) that Qt's window flags do not cover, for the app's own
// windows on an X11 display (XWayland included). Everywhere else these do nothing and read
// back as empty: Wayland has no such hints. Main thread.
#include <QWindow>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::X11WindowProperties {

/// _NET_WM_DESKTOP's value for a window on every workspace.
inline constexpr std::uint32_t allDesktops = 0xFFFFFFFF;

/// True when the app talks to an X server.
bool onX11();

/// Marks a window that is about to be mapped (call it from its show event) as a panel that
/// floats above others on every workspace and stays out of the taskbar and the pager:
/// _NET_WM_STATE gains ABOVE, STICKY, SKIP_TASKBAR and SKIP_PAGER (others it holds are
/// kept) and _NET_WM_DESKTOP becomes `allDesktops`. Creates the native window if needed.
void markFloatingPanel(QWindow& window);
/// Asks the window manager for the same on a window just mapped (call it once the show has
/// gone through): a manager still letting go of the window's earlier showing clears the hints
/// `markFloatingPanel` set, after they were set, and takes the window on without them; a
/// request reaches it after that. Nothing changes where they hold already, or without a
/// window manager.
void askForFloatingPanel(QWindow& window);

/// The names of the atoms in the window's _NET_WM_STATE ("_NET_WM_STATE_STICKY", ...).
std::vector<std::string> states(QWindow& window);
/// The names of the atoms in the window's _NET_WM_WINDOW_TYPE.
std::vector<std::string> windowTypes(QWindow& window);
/// The window's _NET_WM_DESKTOP; absent when it has none.
std::optional<std::uint32_t> desktop(QWindow& window);
/// WM_HINTS' input field: whether the window asks for keyboard focus; absent without hints.
std::optional<bool> takesFocus(QWindow& window);

/// True when a compositing manager owns the screen's _NET_WM_CM_S<n> selection, so a
/// translucent window shows the desktop behind it (without one its clear parts paint black).
bool compositorRunning();

}  // namespace quorvel::X11WindowProperties
