#include "kit/visuals/views/device/TabTransition.hpp"

#include <algorithm>

#include "kit/visuals/model/Easing.hpp"

namespace quorvel {

double TabTransition::eased() const {
    const double linear = progress >= 0 ? std::min(progress, 1.0) : (progress < 0 ? 0.0 : 1.0);
    return apply(Easing::easeInOut, linear);
}

double TabTransition::incomingOffset() const {
    const double remaining = 1 - eased();
    return to == ListTab::finished ? remaining : -remaining;
}

double TabTransition::outgoingOffset() const {
    return to == ListTab::finished ? -eased() : eased();
}

std::optional<TabTransition> TabSwitch::at(Instant now) const {
    const double elapsed = now.secondsSince(start);
    if (from == to || !(elapsed >= 0) || elapsed >= TabTransition::seconds) return std::nullopt;
    return TabTransition{from, to, elapsed / TabTransition::seconds};
}

void pickTab(ListTab& tab, std::optional<TabSwitch>& running, ListTab picked, bool animated, Instant now) {
    const ListTab from = tab;
    tab = picked;
    running.reset();
    if (animated) running = TabSwitch{from, picked, now};
}

bool tabSwitchRuns(std::optional<TabSwitch>& running, Instant now) {
    if (running && !running->at(now)) running.reset();
    return running.has_value();
}

}  // namespace quorvel
