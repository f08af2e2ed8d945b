#pragma once
// The model's services as the app runs them on this desktop: banners over D-Bus, sounds
// through Qt, the logind sleep lock, the screen saver and display sleep, the session's idle
// time, the login keyring, APNs delivery, the terminal finder, and stand-ins for what this
// desktop lacks (iCloud, Live Activities).
#include "app/model/AppServices.hpp"

namespace quorvel {

/// Every service but `windows`, which the caller adds: the windows belong to the app's user
/// interface, above the model. Needs a Qt application object.
AppServices makeDesktopServices();

}  // namespace quorvel
