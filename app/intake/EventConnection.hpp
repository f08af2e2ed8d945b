#pragma once
// One client of the event server: reads until a request is complete or invalid, replies once,
// closes. A steady timer cuts it off after the deadline whatever it is doing. What to answer
// and what becomes of an accepted event is the server's (`EventConnectionHost`). Everything
// here runs on the server's thread.
#include <asio.hpp>

#include <array>
#include <cstddef>
#include <list>
#include <memory>
#include <optional>
#include <string>

#include "app/intake/HTTPRequest.hpp"
#include "kit/engine/HookEvent.hpp"

namespace quorvel {

class EventConnection;

/// What a connection shares with the server it came to.
class EventConnectionHost {
public:
    /// Most bytes asked for by one read.
    static constexpr std::size_t readChunkBytes = 65536;

    /// Connections not yet closed, the one quiet longest (nothing received since it was
    /// accepted or last sent) first.
    std::list<EventConnection*> held;
    /// Where every read lands first: a connection keeps only what it received, so one that
    /// sends nothing costs no buffer. One is enough, since everything runs on one thread.
    std::array<char, readChunkBytes> scratch{};

    /// The status for a complete request, and the event when it is accepted.
    virtual int check(const HTTPRequest& request, std::optional<HookEvent>& accepted) = 0;
    /// Whether one more accepted event may wait for the caller's thread.
    virtual bool roomForAnotherEvent() = 0;
    /// Takes an accepted event, once its reply is on its way.
    virtual void deliver(HookEvent event) = 0;

protected:
    ~EventConnectionHost() = default;
};

class EventConnection : public std::enable_shared_from_this<EventConnection> {
public:
    /// Seconds a connection may stay open, whatever its state.
    static constexpr double deadlineSeconds = 2.0;

    /// Listed in `server.held` until closed or destroyed; `server` outlives it.
    EventConnection(asio::ip::tcp::socket socket, EventConnectionHost& server);
    ~EventConnection();
    EventConnection(const EventConnection&) = delete;
    EventConnection& operator=(const EventConnection&) = delete;

    /// Starts the deadline and the first read. Only on a connection held by a shared_ptr.
    void start();
    /// Closes the socket unanswered (or after the reply) and leaves `held`; idempotent.
    void close();

private:
    void receiveMore();
    void onRead(const asio::error_code& error);
    void reply(int status);
    void discardUntilClosed();
    void leaveHeld();

    asio::ip::tcp::socket socket_;
    asio::steady_timer deadline_;
    EventConnectionHost& server_;
    std::list<EventConnection*>::iterator place_;
    bool listed_ = true;
    std::string buffer_;
    bool closed_ = false;
};

}  // namespace quorvel
