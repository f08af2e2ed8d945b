#pragma once
// What the sessions part needs of the rest of the model, wired by the model: the device's
// mute, sound and floppy, the phone's push routing and Live Activities, and the other parts'
// share of the five-second tick. Main thread.
#include <functional>
#include <string>
#include <vector>

#include "kit/engine/Alert.hpp"
#include "kit/engine/Session.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct SessionNeighbours {
    /// Muted, a live alert neither sounds nor shows, and the Live Activities stay as they are.
    std::function<bool()> muted;
    std::function<void(Sound)> playSound;
    /// A run ended done: the floppy comes out again.
    std::function<void()> takeFloppyOut;
    /// The user typed a prompt in this session: its next alert of a pushed kind may go again.
    std::function<void(const std::string& sessionID)> forgetPushes;
    /// A live alert, for the phone's routing.
    std::function<void(const Alert&)> routePush;
    /// The whole table, sorted by session ID, for the Live Activities.
    std::function<void(const std::vector<Session>&, Instant now)> reconcileLiveActivities;
    /// Every tick: before the state machine's own tick, and after its effects.
    std::function<void()> beforeTick;
    std::function<void()> afterTick;
};

}  // namespace quorvel
