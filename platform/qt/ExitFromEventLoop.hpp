#pragma once
// Qt's X11 platform ends the process with exit(1) from inside the event loop when its display
// connection breaks (the X server crashed, the session ended without SIGTERM, an `ssh -X`
// dropped), and so does the X library on an I/O error: everything after the event loop, the
// quit that saves, would be skipped. This catches such an exit on the main thread before any
// handler or static object of the process's goes (a thread-local object's end, which exit()
// runs first), and runs the caller's own leaving there instead.
// Main thread only; one diversion at a time.
#include <functional>

namespace quorvel::ExitFromEventLoop {

/// From now until `disarm`, an exit() called on this thread runs `leave` first (once), which
/// may end the process itself (std::_Exit) with a status of its own; if it returns, the exit
/// goes on as called.
void divertTo(std::function<void()> leave);

/// The event loop has ended the usual way: exits from here on are the app's own.
void disarm();

}  // namespace quorvel::ExitFromEventLoop
