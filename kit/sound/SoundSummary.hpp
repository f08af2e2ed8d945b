#pragma once
// What each alert sound is for, in words a person reads beside it.
#include <string_view>

#include "kit/engine/Sound.hpp"

namespace quorvel {

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
