#pragma once
// The helper stamps each event when it receives it: on the wall clock (`receivedAt`) and, a
// helper of this build, on the boot clock with the boot's identity (platform/time/BootClock.hpp).
// The intake orders the two roads (live and spooled) by those stamps. The wall clock can be
// stepped between two events (by hand, by NTP); the boot clock never is, so the events of one
// boot are ordered by it, and only events of different boots, or from an older helper, by
// `receivedAt`.
//
// A stamp far ahead of the app's clock (a helper run under a wrong clock, a hand-made spool
// file) would hold its event back behind everything that follows, and start a run in the
// future: such a stamp is not believed. Any thread.
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/time/BootClock.hpp"

namespace quorvel {

/// How far (seconds) a stamp may lie ahead of the app's clock and still be believed: room for
/// two clocks of one machine that disagree a little, or a helper's clock set by hand.
inline constexpr double stampLeadToleranceSeconds = 60;

/// Whether `event` carries a boot-clock stamp (both its seconds and its boot).
inline bool isBootStamped(const HookEvent& event) { return event.bootSeconds && event.bootID; }

/// Whether `a` was received before `b`: by the boot clock when both were stamped in the same
/// boot, by `receivedAt` otherwise.
bool stampedBefore(const HookEvent& a, const HookEvent& b);

/// The order in which `events` were received, as indices into it, earliest first: the events
/// of each boot in the order of their boot clock, merged with those of other boots and those
/// without a boot stamp by `receivedAt`; ties keep the given order. So events without a boot
/// stamp come in the stable order of `receivedAt`, as they always have.
std::vector<std::size_t> receiveOrder(const std::vector<const HookEvent*>& events);

/// Puts `items` in receive order (`receiveOrder`); `eventOf` gives an item's event.
template <class Item, class EventOf>
void sortByReceiveOrder(std::vector<Item>& items, EventOf eventOf) {
    std::vector<const HookEvent*> events;
    events.reserve(items.size());
    for (const Item& item : items) events.push_back(&eventOf(item));
    const std::vector<std::size_t> order = receiveOrder(events);
    std::vector<Item> sorted;
    sorted.reserve(items.size());
    for (const std::size_t index : order) sorted.push_back(std::move(items[index]));
    items = std::move(sorted);
}

/// Takes `readAt` (Unix seconds, the app's clock when it read the event) as the event's
/// stamp when its own lies more than the tolerance ahead, or isn't a number at all; and drops
/// a boot stamp of the app's own boot (`bootNow`, the boot clock at that moment) that lies
/// more than the tolerance ahead of it, so the event is ordered by `receivedAt`. Returns
/// whether a stamp was replaced or dropped.
bool believeStamp(HookEvent& event, double readAt, const std::optional<BootStamp>& bootNow);

}  // namespace quorvel
