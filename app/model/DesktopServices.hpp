#pragma once
// The model's services as the app runs them on this desktop: banners over D-Bus, sounds
// through Qt, the logind sleep lock, the screen saver and display sleep, the session's idle
// time, the login keyring, APNs delivery, the terminal finder, and stand-ins for what this desktop lacks (iCloud,
// Live Activities, the windows until they are built).
#include "app/model/AppServices.hpp"

namespace quorvel {

/// Needs a Qt application object.
AppServices makeDesktopServices();

}  // namespace quorvel
