#pragma once
// The five alert sounds, in the order of the alert kinds they stand for (done, needs you,
// broke, crashed, long run).
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

enum class Sound { fanfare, alarm, buzz, powerdown, tick };

inline constexpr std::array<Sound, 5> allSounds{Sound::fanfare, Sound::alarm, Sound::buzz,
                                                Sound::powerdown, Sound::tick};

/// The sound's name ("fanfare"), which is also the base name of its file.
constexpr std::string_view rawValue(Sound sound) {
    switch (sound) {
        case Sound::fanfare: return "fanfare";
        case Sound::alarm: return "alarm";
        case Sound::buzz: return "buzz";
        case Sound::powerdown: return "powerdown";
        case Sound::tick: return "tick";
    }
    return "fanfare";
}

/// The sound named exactly `name`; absent for any other text.
constexpr std::optional<Sound> soundFromRawValue(std::string_view name) {
    for (Sound sound : allSounds) {
        if (rawValue(sound) == name) return sound;
    }
    return std::nullopt;
}

/// The sound's file name: its name followed by ".caf".
inline std::string fileName(Sound sound) { return std::string(rawValue(sound)) + ".caf"; }

}  // namespace quorvel
