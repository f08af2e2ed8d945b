#pragma once
// The identities of the events handled lately. An event can reach the app twice (a post the
// helper gave up on after the app had read it, and the spool file the helper wrote then); the
// second copy carries the same identity and is recognised here. Bounded: the oldest identity
// is forgotten first, long after its copy could still arrive. They are kept with the sessions
// across a restart too: a spool file that can't be removed comes again at the next start.
// Main thread.
#include <cstddef>
#include <deque>
#include <string>
#include <unordered_set>

namespace quorvel {

class RecentEventIDs {
public:
    /// Far more events than arrive between a post and its spooled copy (the server holds at
    /// most 2,000 waiting, and the spool is looked at before each live event).
    static constexpr std::size_t defaultCapacity = 20000;

    explicit RecentEventIDs(std::size_t capacity = defaultCapacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    /// Remembers `id`; false when it is remembered already (the event was handled).
    bool insert(const std::string& id);

    bool contains(const std::string& id) const { return ids_.contains(id); }
    std::size_t size() const { return order_.size(); }
    /// Every remembered identity, the oldest first.
    const std::deque<std::string>& oldestFirst() const { return order_; }

private:
    std::size_t capacity_;
    std::deque<std::string> order_;
    std::unordered_set<std::string> ids_;
};

}  // namespace quorvel
