#include "app/intake/EventStamp.hpp"

#include <algorithm>
#include <map>
#include <queue>
#include <string>

namespace quorvel {

bool stampedBefore(const HookEvent& a, const HookEvent& b) {
    if (isBootStamped(a) && isBootStamped(b) && *a.bootID == *b.bootID) return *a.bootSeconds < *b.bootSeconds;
    return a.receivedAt < b.receivedAt;
}

std::vector<std::size_t> receiveOrder(const std::vector<const HookEvent*>& events) {
    // One chain per boot, in the order of its boot clock, and one of the events without a boot
    // stamp, in the order of `receivedAt`. Comparing across chains by `receivedAt` alone would
    // not be a consistent order of everything (a step back makes a later event of a boot look
    // earlier than an event of another), so the chains are merged by the wall stamps of their
    // heads: within a chain nothing moves.
    std::map<std::string, std::vector<std::size_t>, std::less<>> boots;
    std::vector<std::vector<std::size_t>> chains(1);
    for (std::size_t index = 0; index < events.size(); ++index) {
        if (isBootStamped(*events[index])) {
            boots[*events[index]->bootID].push_back(index);
        } else {
            chains.front().push_back(index);
        }
    }
    std::stable_sort(chains.front().begin(), chains.front().end(), [&](std::size_t a, std::size_t b) {
        return events[a]->receivedAt < events[b]->receivedAt;
    });
    for (auto& [boot, chain] : boots) {
        std::stable_sort(chain.begin(), chain.end(), [&](std::size_t a, std::size_t b) {
            return *events[a]->bootSeconds < *events[b]->bootSeconds;
        });
        chains.push_back(std::move(chain));
    }

    // Heads as (chain, position); the earliest `receivedAt` first, then the earliest given.
    using Head = std::pair<std::size_t, std::size_t>;
    const auto later = [&](const Head& a, const Head& b) {
        const HookEvent& first = *events[chains[a.first][a.second]];
        const HookEvent& second = *events[chains[b.first][b.second]];
        if (first.receivedAt != second.receivedAt) return first.receivedAt > second.receivedAt;
        return chains[a.first][a.second] > chains[b.first][b.second];
    };
    std::priority_queue<Head, std::vector<Head>, decltype(later)> heads(later);
    for (std::size_t chain = 0; chain < chains.size(); ++chain) {
        if (!chains[chain].empty()) heads.emplace(chain, 0);
    }
    std::vector<std::size_t> order;
    order.reserve(events.size());
    while (!heads.empty()) {
        const auto [chain, position] = heads.top();
        heads.pop();
        order.push_back(chains[chain][position]);
        if (position + 1 < chains[chain].size()) heads.emplace(chain, position + 1);
    }
    return order;
}

bool believeStamp(HookEvent& event, double readAt, const std::optional<BootStamp>& bootNow) {
    bool replaced = false;
    // Written so that a stamp that is no number fails the test and is replaced too.
    if (!(event.receivedAt <= readAt + stampLeadToleranceSeconds)) {
        event.receivedAt = readAt;
        replaced = true;
    }
    if (bootNow && isBootStamped(event) && *event.bootID == bootNow->bootID &&
        *event.bootSeconds > bootNow->seconds + stampLeadToleranceSeconds) {
        event.bootSeconds.reset();
        event.bootID.reset();
        replaced = true;
    }
    return replaced;
}

}  // namespace quorvel
