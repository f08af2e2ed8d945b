#pragma once
// Every key of the app's defaults file, each with the type of its value. The names are what
// stored files already hold: renaming one loses what users have stored under it.
//
// Besides these, each remembered window keeps its frame under "windowFrame <name>"
// (platform/qt/WindowFrameAutosave.hpp).
#include <string>

#include "platform/json/JsonCoding.hpp"
#include "platform/stores/DefaultsKey.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::StoredDefaults {

/// The user's preferences, one JSON document (app/settings/AppSettings.hpp).
inline constexpr DefaultsKey<json::Json> appSettings{"appSettings"};
/// The device's knobs and switches, in their stored JSON form.
inline constexpr DefaultsKey<json::Json> deviceControls{"deviceControls"};

/// The phone's push token, as the phone sent it.
inline constexpr DefaultsKey<std::string> phoneDeviceToken{"phoneDeviceToken"};
/// Whether the push service refused the phone's token on the last push it answered.
inline constexpr DefaultsKey<bool> phoneDeviceTokenInvalid{"phoneDeviceTokenInvalid"};
/// The update time of the phone's record whose "always push" preference was last taken over.
inline constexpr DefaultsKey<Instant> appliedPhonePrefsAt{"appliedPhonePrefsAt"};

/// Live Activities: the running ones by session, the ends not yet sent, the channels made.
inline constexpr DefaultsKey<json::Json> liveActivitiesActive{"liveActivitiesActive"};
inline constexpr DefaultsKey<json::Json> liveActivitiesEnding{"liveActivitiesEnding"};
inline constexpr DefaultsKey<json::Json> liveActivityChannels{"liveActivityChannels"};

/// The phone exchange's cache between runs: the device records last seen and the change
/// token of the last fetch (base64 text).
inline constexpr DefaultsKey<json::Json> tokenSyncDevices{"tokenSyncDevices"};
inline constexpr DefaultsKey<std::string> tokenSyncChangeToken{"tokenSyncChangeToken"};

/// Which windows were open at quit, and whether setup has been shown once.
inline constexpr DefaultsKey<bool> deviceVisible{"deviceVisible"};
inline constexpr DefaultsKey<bool> stripVisible{"stripVisible"};
inline constexpr DefaultsKey<bool> setupShown{"setupShown"};

}  // namespace quorvel::StoredDefaults
