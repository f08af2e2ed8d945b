#include "app/intake/EventConnection.hpp"

#include <chrono>

namespace quorvel {

EventConnection::EventConnection(asio::ip::tcp::socket socket, EventConnectionHost& server)
    : socket_(std::move(socket)),
      deadline_(socket_.get_executor()),
      server_(server),
      place_(server_.held.insert(server_.held.end(), this)) {}

EventConnection::~EventConnection() { leaveHeld(); }

void EventConnection::start() {
    // Reads follow a readiness wait and must never block the server's thread.
    asio::error_code ignored;
    socket_.non_blocking(true, ignored);
    deadline_.expires_after(std::chrono::duration_cast<asio::steady_timer::duration>(
        std::chrono::duration<double>(deadlineSeconds)));
    deadline_.async_wait([self = shared_from_this()](const asio::error_code& error) {
        if (!error) self->close();
    });
    receiveMore();
}

void EventConnection::close() {
    if (closed_) return;
    closed_ = true;
    leaveHeld();
    deadline_.cancel();
    asio::error_code ignored;
    socket_.close(ignored);
}

void EventConnection::receiveMore() {
    // Wait until there is something to read, then read it into the server's scratch
    // buffer: memory grows with what the client sent, not with how many clients wait.
    using Socket = asio::ip::tcp::socket;
    socket_.async_wait(Socket::wait_read, [self = shared_from_this()](const asio::error_code& waitError) {
        if (self->closed_) return;
        asio::error_code error = waitError;
        if (!error) {
            const std::size_t count = self->socket_.read_some(asio::buffer(self->server_.scratch), error);
            self->buffer_.append(self->server_.scratch.data(), count);
            if (count > 0 && self->listed_) {
                // Heard from just now: the last to make room for a newcomer.
                self->server_.held.splice(self->server_.held.end(), self->server_.held, self->place_);
            }
            if (error == asio::error::would_block || error == asio::error::try_again) error.clear();
        }
        self->onRead(error);
    });
}

void EventConnection::onRead(const asio::error_code& error) {
    if (closed_) return;
    HTTPRequest::ParseResult result = HTTPRequest::parse(buffer_);
    switch (result.kind) {
        case HTTPRequest::ParseResult::Kind::complete: {
            std::optional<HookEvent> accepted;
            int status = server_.check(result.request, accepted);
            if (accepted && !server_.roomForAnotherEvent()) {
                accepted.reset();
                status = 503;
            }
            reply(status);
            if (accepted) server_.deliver(std::move(*accepted));
            break;
        }
        case HTTPRequest::ParseResult::Kind::invalid:
            reply(result.status);
            break;
        case HTTPRequest::ParseResult::Kind::needMore:
            // End of input or a failed read before the request was whole: drop it
            // without a reply.
            if (error) {
                close();
            } else {
                receiveMore();
            }
            break;
    }
}

void EventConnection::reply(int status) {
    auto text = std::make_shared<std::string>(HTTPRequest::responseText(status));
    asio::async_write(socket_, asio::buffer(*text),
                      [self = shared_from_this(), text](const asio::error_code& error, std::size_t) {
                          if (error) {
                              self->close();
                              return;
                          }
                          // Finish our side and read whatever the client still sends
                          // until it closes, so that closing never resets the connection
                          // before the client has read the reply.
                          asio::error_code ignored;
                          self->socket_.shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
                          self->discardUntilClosed();
                      });
}

void EventConnection::discardUntilClosed() {
    if (closed_) return;
    std::string().swap(buffer_);
    socket_.async_read_some(asio::buffer(server_.scratch),
                            [self = shared_from_this()](const asio::error_code& error, std::size_t) {
                                if (error) {
                                    self->close();
                                } else {
                                    self->discardUntilClosed();
                                }
                            });
}

void EventConnection::leaveHeld() {
    if (!listed_) return;
    listed_ = false;
    server_.held.erase(place_);
}

}  // namespace quorvel
