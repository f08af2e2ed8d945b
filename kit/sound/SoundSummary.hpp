#pragma once
// What each alert sound is called and what it is for, in words a person reads beside it (the
// settings window's SOUNDS rows).
#include <string_view>

#include "kit/engine/Sound.hpp"

namespace quorvel {

/// The sound's name as a row shows it ("Power down").
constexpr std::string_view title(Sound sound) {
    switch (sound) {
        case Sound::fanfare: return "Fanfare";
        case Sound::alarm: return "Alarm";
        case Sound::buzz: return "Buzz";
        case Sound::powerdown: return "Power down";
        case Sound::tick: return "Tick";
    }
    return "";
}

/// The alert the sound stands for and how it sounds ("Broke: a low, raspy buzz.").
constexpr std::string_view summary(Sound sound) {
    switch (sound) {
        case Sound::fanfare: return "Done: a rising four-note 8-bit fanfare.";
        case Sound::alarm: return "Needs you: a two-note alarm, three times.";
        case Sound::buzz: return "Broke: a low, raspy buzz.";
        case Sound::powerdown: return "Crashed: a falling power-down whine.";
        case Sound::tick: return "Still grinding: a soft clock tick.";
    }
    return "";
}

}  // namespace quorvel
