#pragma once
// The event server's hand-over of accepted events to the caller's thread: a queue the
// server's thread fills, and pieces of work on the caller's thread that empty it a slice of
// time at a time.
#include <deque>
#include <memory>
#include <mutex>
#include <set>

#include "app/core/EventServer.hpp"
#include "kit/engine/HookEvent.hpp"

namespace quorvel {

/// Accepted events on their way to the caller's thread. Shared with the pieces of work
/// dispatched there, which may run after the server is gone.
struct WaitingEvents {
    std::mutex mutex;
    std::deque<HookEvent> events;
    /// The stamps of `events`: the intake holds a spooled event back while an accepted one
    /// stamped earlier still waits here.
    std::multiset<double> stamps;
    /// A piece of work that hands events over is dispatched and hasn't found the queue empty.
    bool handOverDispatched = false;
};

/// Hands waiting events to `onEvent` for one slice of time, then dispatches itself again
/// while any are left. On the caller's thread.
void handOver(const std::shared_ptr<WaitingEvents>& waiting, const EventServer::EventHandler& onEvent,
              const EventServer::Dispatcher& dispatch);

}  // namespace quorvel
