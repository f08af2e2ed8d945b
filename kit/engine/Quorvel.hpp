#pragma once
// The product's identifiers, shared by the app, the helper and the framework.

namespace quorvel::Quorvel {

/// The product's name in window titles, messages and the menu.
inline constexpr const char* displayName = "Quorvel";
/// The phone app's bundle identifier; also the log subsystem of the framework's own loggers.
inline constexpr const char* iOSBundleID = "com.tessaloom.quorvel";
/// The desktop app's identifier: log subsystem of the app's loggers, label prefix of the event
/// server's queue, the single-instance test and the helper's request to open the app.
inline constexpr const char* macBundleID = "com.tessaloom.quorvel.mac";
/// The app's launcher entry on the desktop ("quorvel.desktop") without its ".desktop": also
/// the name of the app's themed icon and the class of its windows, so that the desktop matches
/// the app's windows and banners to its launcher. The identifier above stays what is stored
/// and shared.
inline constexpr const char* desktopEntryName = "quorvel";
/// The app group (declared for the phone side; neither program here reads it).
inline constexpr const char* appGroupID = "group.com.tessaloom.quorvel";
/// The iCloud container of the phone exchange.
inline constexpr const char* iCloudContainerID = "iCloud.com.tessaloom.quorvel";

}  // namespace quorvel::Quorvel
