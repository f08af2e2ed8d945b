#pragma once
// The stamps of the events that wait to be handled, kept so the intake can ask whether one of
// them was received before a given event (`stampedBefore`, app/intake/EventStamp.hpp) without
// going through the events. No lock of its own: its owner's lock or thread.
#include <functional>
#include <map>
#include <set>
#include <string>

#include "kit/engine/HookEvent.hpp"

namespace quorvel {

class WaitingStamps {
public:
    void insert(const HookEvent& event);
    /// Forgets one event stamped as `event`; nothing when none is.
    void erase(const HookEvent& event);
    void clear();
    bool empty() const { return unbooted_.empty() && boots_.empty(); }

    /// Whether a waiting event was received before `event`.
    bool holdsOneBefore(const HookEvent& event) const;

private:
    /// The events of one boot.
    struct Boot {
        std::multiset<double> bootSeconds;
        std::multiset<double> receivedAt;
    };
    std::map<std::string, Boot, std::less<>> boots_;
    /// `receivedAt` of the events without a boot stamp.
    std::multiset<double> unbooted_;
};

}  // namespace quorvel
