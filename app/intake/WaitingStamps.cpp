#include "app/intake/WaitingStamps.hpp"

#include "app/intake/EventStamp.hpp"

namespace quorvel {
namespace {

void eraseOne(std::multiset<double>& stamps, double stamp) {
    if (auto found = stamps.find(stamp); found != stamps.end()) stamps.erase(found);
}

}  // namespace

void WaitingStamps::insert(const HookEvent& event) {
    if (!isBootStamped(event)) {
        unbooted_.insert(event.receivedAt);
        return;
    }
    Boot& boot = boots_[*event.bootID];
    boot.bootSeconds.insert(*event.bootSeconds);
    boot.receivedAt.insert(event.receivedAt);
}

void WaitingStamps::erase(const HookEvent& event) {
    if (!isBootStamped(event)) {
        eraseOne(unbooted_, event.receivedAt);
        return;
    }
    auto found = boots_.find(*event.bootID);
    if (found == boots_.end()) return;
    eraseOne(found->second.bootSeconds, *event.bootSeconds);
    eraseOne(found->second.receivedAt, event.receivedAt);
    // A boot whose events are all handled goes, so the boots looked through stay few.
    if (found->second.bootSeconds.empty()) boots_.erase(found);
}

void WaitingStamps::clear() {
    boots_.clear();
    unbooted_.clear();
}

bool WaitingStamps::holdsOneBefore(const HookEvent& event) const {
    if (!unbooted_.empty() && *unbooted_.begin() < event.receivedAt) return true;
    const bool booted = isBootStamped(event);
    for (const auto& [bootID, boot] : boots_) {
        if (booted && bootID == *event.bootID) {
            if (*boot.bootSeconds.begin() < *event.bootSeconds) return true;
        } else if (*boot.receivedAt.begin() < event.receivedAt) {
            return true;
        }
    }
    return false;
}

}  // namespace quorvel
