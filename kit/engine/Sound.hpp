#pragma once
// The five alert sounds, in the order of the alert kinds they stand for (done, needs you,
// broke, crashed, long run).
//
// The enumeration is the one list of the sounds: the build reads its names for the sound files
// it renders and installs (cmake/QuorvelSounds.cmake), so each case is named as its file, with
// no value or comment. A new sound is a case here (the last case ends `soundCount`) and in
// `rawValue`, its notes in kit/sound/Chiptune.cpp and its settings row in
// kit/sound/SoundSummary.hpp.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

enum class Sound { fanfare, alarm, buzz, powerdown, tick };

inline constexpr std::size_t soundCount = static_cast<std::size_t>(Sound::tick) + 1;

/// Every sound, in the enumeration's order.
inline constexpr std::array<Sound, soundCount> allSounds = [] {
    std::array<Sound, soundCount> all{};
    for (std::size_t index = 0; index < soundCount; ++index) all[index] = static_cast<Sound>(index);
    return all;
}();

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
