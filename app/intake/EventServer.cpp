#include "app/intake/EventServer.hpp"

#include <asio.hpp>

#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "app/intake/ConstantTimeEquals.hpp"
#include "app/intake/EventConnection.hpp"
#include "app/intake/EventStamp.hpp"
#include "app/intake/HTTPRequest.hpp"
#include "app/intake/RejectionLog.hpp"
#include "app/intake/WaitingStamps.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/network/LinuxConnectionOwner.hpp"

namespace quorvel {

using asio::ip::tcp;

namespace {

constexpr std::string_view bearerPrefix = "Bearer ";
constexpr auto acceptRetryDelay = std::chrono::milliseconds(100);

/// Accepted events on their way to the caller's thread. Shared with the pieces of work
/// dispatched there, which may run after the server is gone.
struct WaitingEvents {
    std::mutex mutex;
    std::deque<HookEvent> events;
    /// The stamps of `events`: the intake holds a spooled event back while an accepted one
    /// stamped earlier still waits here.
    WaitingStamps stamps;
    /// A piece of work that hands events over is dispatched and hasn't found the queue empty.
    bool handOverDispatched = false;
};

/// Hands waiting events to `onEvent` for one slice of time, then dispatches itself again
/// while any are left. On the caller's thread.
void handOver(const std::shared_ptr<WaitingEvents>& waiting, const EventServer::EventHandler& onEvent,
              const EventServer::Dispatcher& dispatch) {
    const auto sliceEnd = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(EventServer::handOverSliceSeconds));
    do {
        std::optional<HookEvent> event;
        {
            std::lock_guard lock(waiting->mutex);
            if (waiting->events.empty()) {
                waiting->handOverDispatched = false;
                return;
            }
            event = std::move(waiting->events.front());
            waiting->events.pop_front();
            waiting->stamps.erase(*event);
        }
        onEvent(std::move(*event));
    } while (std::chrono::steady_clock::now() < sliceEnd);
    dispatch([waiting, onEvent, dispatch] { handOver(waiting, onEvent, dispatch); });
}

/// Everything the listener and its connections share, all touched only on the server's
/// thread (apart from construction and destruction). The connections' part comes first, so
/// it outlives the context: the connections still held by its handlers take themselves out
/// as it is destroyed.
struct ServerCore : EventConnectionHost {
    // Declared before the rest so that it outlives the acceptor and every connection.
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::steady_timer acceptRetry{io};
    std::uint16_t port = 0;
    std::string token;
    EventServer::EventHandler onEvent;
    EventServer::Dispatcher dispatch;
    std::shared_ptr<WaitingEvents> waiting = std::make_shared<WaitingEvents>();
    /// The queue was full when last looked at: logged once until it has room again.
    bool waitingFull = false;
    Logger log{std::string(Quorvel::macBundleID), "EventServer"};
    RejectionLog rejections{io, log, EventServer::rejectionLogIntervalSeconds};
    std::thread thread;
    /// Who is at the other end of each accepted connection.
    LinuxConnectionOwner owner;

    void acceptNext();
    /// Whether the client is a process of this user; logs the rejection otherwise.
    bool fromThisUser(tcp::socket& socket);
    bool roomForAnotherEvent() override;
    void deliver(HookEvent event) override;
    int check(const HTTPRequest& request, std::optional<HookEvent>& accepted) override;
};

}  // namespace

struct EventServer::Impl final : ServerCore {};

bool ServerCore::fromThisUser(tcp::socket& socket) {
    // The client's socket is set up before the connection is accepted: one look is enough.
    const auto found = owner.farEndOwner(socket.native_handle(), std::chrono::milliseconds(0));
    if (found && *found == ::geteuid()) return true;
    rejections.rejected("owner", found ? "Rejected a connection from uid " + std::to_string(*found)
                                       : "Rejected a connection whose owner couldn't be learnt: " +
                                             found.error().message);
    return false;
}

void ServerCore::acceptNext() {
    acceptor.async_accept([this](const asio::error_code& error, tcp::socket socket) {
        if (error == asio::error::operation_aborted) return;
        if (error) {
            // Out of descriptors and the like: wait a moment rather than spin. A flood of
            // connections can keep it so, so it is counted like a refused request.
            rejections.rejected("accept", "Couldn't accept a connection: " + error.message());
            acceptRetry.expires_after(acceptRetryDelay);
            acceptRetry.async_wait([this](const asio::error_code& waitError) {
                if (!waitError) acceptNext();
            });
            return;
        }
        // Any local user can connect, and one who once read the token could post with it for
        // ever: another user's connection is closed before a byte of it is read, unanswered.
        if (!fromThisUser(socket)) {
            asio::error_code ignored;
            socket.close(ignored);
            acceptNext();
            return;
        }
        // A flood of idle connections must neither hold the app's memory nor lock out a
        // helper: the one quiet longest makes room for the newcomer.
        if (held.size() >= EventServer::maxConnections) held.front()->close();
        std::make_shared<EventConnection>(std::move(socket), *this)->start();
        acceptNext();
    });
}

int ServerCore::check(const HTTPRequest& request, std::optional<HookEvent>& accepted) {
    if (request.path != EventServer::eventsPath) return 404;
    if (request.method != "POST") return 405;
    auto authorization = request.headers.find("authorization");
    if (authorization == request.headers.end() || !authorization->second.starts_with(bearerPrefix) ||
        !constantTimeEquals(std::string_view(authorization->second).substr(bearerPrefix.size()), token)) {
        rejections.rejected("token", "Rejected a request with a missing or wrong token");
        return 401;
    }
    auto event = json::decodeJson<HookEvent>(request.body);
    if (!event) {
        rejections.rejected("undecodable", "Rejected an event that didn't decode: " + event.error().message);
        return 400;
    }
    accepted = std::move(event.value());
    // Taken when it is read: the moment the app took the event is the best it knows of one
    // stamped far ahead of its clock.
    const double readAt = std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    believeStamp(*accepted, readAt, readBootStamp());
    return 202;
}

bool ServerCore::roomForAnotherEvent() {
    // Handed over on this thread, events never wait.
    if (!dispatch) return true;
    bool full;
    {
        std::lock_guard lock(waiting->mutex);
        full = waiting->events.size() >= EventServer::maxWaitingEvents;
    }
    if (full && !waitingFull) {
        log.error("Too many events wait to be handled; answering 503 until there is room");
    } else if (!full && waitingFull) {
        log.notice("Taking events again");
    }
    waitingFull = full;
    return !full;
}

void ServerCore::deliver(HookEvent event) {
    if (!onEvent) return;
    if (!dispatch) {
        onEvent(std::move(event));
        return;
    }
    bool dispatchNow = false;
    {
        std::lock_guard lock(waiting->mutex);
        waiting->stamps.insert(event);
        waiting->events.push_back(std::move(event));
        dispatchNow = !waiting->handOverDispatched;
        waiting->handOverDispatched = true;
    }
    if (dispatchNow) {
        dispatch([waiting = waiting, handler = onEvent, again = dispatch] { handOver(waiting, handler, again); });
    }
}

EventServer::EventServer(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

EventServer::~EventServer() { stop(); }

void EventServer::stop() {
    if (!impl_->thread.joinable()) return;
    // A request is answered and its event queued in one step on the server's thread, so once
    // that thread is gone every accepted event is handed over or waiting, and no new one
    // comes. Requests still being read get no answer: their helpers spool them.
    asio::post(impl_->io, [core = impl_.get()] {
        core->rejections.sayAll();
        asio::error_code ignored;
        core->acceptor.close(ignored);
        core->io.stop();
    });
    impl_->thread.join();
}

std::vector<HookEvent> EventServer::takeWaitingEvents() {
    std::deque<HookEvent> taken;
    {
        std::lock_guard lock(impl_->waiting->mutex);
        taken.swap(impl_->waiting->events);
        impl_->waiting->stamps.clear();
    }
    return {std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end())};
}

bool EventServer::holdsEventStampedBefore(const HookEvent& event) const {
    std::lock_guard lock(impl_->waiting->mutex);
    return impl_->waiting->stamps.holdsOneBefore(event);
}

std::uint16_t EventServer::port() const { return impl_->port; }

Expected<std::unique_ptr<EventServer>, EventServer::StartError> EventServer::start(
    std::optional<std::uint16_t> preferredPort, std::string token, EventHandler onEvent, Dispatcher dispatch) {
    auto impl = std::make_unique<Impl>();
    std::vector<std::uint16_t> candidates;
    if (preferredPort) candidates.push_back(*preferredPort);
    candidates.push_back(0);

    StartError lastError;
    bool listening = false;
    for (std::uint16_t candidate : candidates) {
        asio::error_code error;
        impl->acceptor.open(tcp::v4(), error);
        // Lets a restarted app take its old port back while the previous run's connections
        // linger; two live listeners still can't share a port.
        if (!error) impl->acceptor.set_option(tcp::acceptor::reuse_address(true), error);
        if (!error) impl->acceptor.bind(tcp::endpoint(asio::ip::address_v4::loopback(), candidate), error);
        if (!error) impl->acceptor.listen(asio::socket_base::max_listen_connections, error);
        std::uint16_t bound = 0;
        if (!error) {
            bound = impl->acceptor.local_endpoint(error).port();
            if (!error && bound == 0) error = asio::error_code(EADDRNOTAVAIL, asio::system_category());
        }
        if (error) {
            lastError = StartError{error.value(), error.message()};
            impl->log.error("Couldn't listen on port " + std::to_string(candidate) + ": " + error.message());
            asio::error_code ignored;
            impl->acceptor.close(ignored);
            continue;
        }
        impl->port = bound;
        listening = true;
        break;
    }
    if (!listening) return unexpected(lastError);

    impl->token = std::move(token);
    impl->onEvent = std::move(onEvent);
    impl->dispatch = std::move(dispatch);
    impl->log.info("Listening on 127.0.0.1:" + std::to_string(impl->port));
    impl->acceptNext();
    Impl* running = impl.get();
    impl->thread = std::thread([running] {
        pthread_setname_np(pthread_self(), "EventServer");
        while (true) {
            try {
                running->io.run();
                return;
            } catch (const std::exception& error) {
                // A throwing event handler must not take the listener down with it.
                running->log.error(std::string("Event handler failed: ") + error.what());
            } catch (...) {
                running->log.error("Event handler failed");
            }
        }
    });
    return std::unique_ptr<EventServer>(new EventServer(std::move(impl)));
}

}  // namespace quorvel
