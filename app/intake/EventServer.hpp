#pragma once
// The app's loopback listener for hook events. It listens on 127.0.0.1 only, reads one
// request per connection on a thread of its own, answers it, and hands every accepted event
// to the caller's thread through the dispatcher the caller supplies. It knows nothing of
// sessions; it runs until it is stopped or destroyed. A connection costs memory for what it
// has sent, and at most `maxConnections` are held at once: a new one beyond them takes the
// place of the one that has been quiet longest, so idle clients never lock a helper out.
// Accepted events wait for the caller's thread in a queue of at most `maxWaitingEvents`;
// past it a request is answered 503 and the helper spools its event instead.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/Expected.hpp"

namespace quorvel {

class EventServer {
public:
    /// Called once for every accepted event.
    using EventHandler = std::function<void(HookEvent)>;
    /// Runs a piece of work on the caller's chosen thread (the app posts it to its main
    /// thread). Without one, events are handed over on the server's own thread. Each piece
    /// hands over waiting events for at most `handOverSliceSeconds` and dispatches another
    /// piece for the rest, so the caller's thread stays free for its other work (a
    /// termination signal among it) however many events wait.
    using Dispatcher = std::function<void(std::function<void()>)>;

    /// Why the server could not listen: the failure of the last port it tried.
    struct StartError {
        int code = 0;             ///< errno value
        std::string description;  ///< strerror's text, e.g. "Address already in use"
    };

    /// The only path that takes events.
    static constexpr std::string_view eventsPath = "/v1/events";
    /// Connections held at once; one beyond it closes the one that has been quiet longest.
    static constexpr std::size_t maxConnections = 512;
    /// Accepted events waiting for the caller's thread; a request beyond them gets 503, and the
    /// helper spools its event. Bounded so that writing them to the spool at exit stays well
    /// inside the time a log-out allows (each is a file), and far above what agents send.
    static constexpr std::size_t maxWaitingEvents = 2000;
    /// The longest one dispatched piece of work hands events over, in seconds.
    static constexpr double handOverSliceSeconds = 0.05;
    /// Requests turned away (a wrong token, an event that doesn't decode) and connections that
    /// couldn't be accepted are logged once per kind, then as a count at most once in this many
    /// seconds, so a flood of them can't fill the log; the counts not yet said are said when
    /// the server stops.
    static constexpr double rejectionLogIntervalSeconds = 60;

    /// Listens on `preferredPort` when it is free, else on a port the system picks. Every
    /// request must carry `token` as its bearer token.
    static Expected<std::unique_ptr<EventServer>, StartError> start(
        std::optional<std::uint16_t> preferredPort, std::string token, EventHandler onEvent,
        Dispatcher dispatch = nullptr);

    ~EventServer();
    EventServer(const EventServer&) = delete;
    EventServer& operator=(const EventServer&) = delete;

    /// The port the listener got.
    std::uint16_t port() const;

    /// Stops accepting and ends the server's thread. When it returns, every event it answered
    /// 202 has been handed to the handler or waits for `takeWaitingEvents`, and none follows.
    /// Idempotent; the destructor stops too. Not from the server's own thread (the event
    /// handler).
    void stop();

    /// The accepted events not yet handed over, in arrival order; they will never be handed
    /// over now. Meant for after `stop`, so the caller can keep them elsewhere. Any thread.
    std::vector<HookEvent> takeWaitingEvents();

    /// Whether an accepted event not yet handed over was received before `event`
    /// (`stampedBefore`, app/intake/EventStamp.hpp). A stamp more than a minute ahead of the
    /// clock when the event was accepted was replaced by that moment, or dropped for a boot
    /// stamp (so on the events handed over too). Any thread.
    bool holdsEventStampedBefore(const HookEvent& event) const;

private:
    struct Impl;
    explicit EventServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel
