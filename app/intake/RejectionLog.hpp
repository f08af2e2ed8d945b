#pragma once
// The event server's log of requests it turns away. Anyone on the machine can send those as
// fast as they like, so each kind (a wrong token, an event that doesn't decode) is logged once,
// then as a count at most once per interval (`RepeatedFailureLog`); a timer on the server's
// context says a count once its interval is over even when the flood has stopped.
//
// Lives on the server's thread: every call, and the timer, run there. Destroyed before the
// context it was given.
#include <asio.hpp>

#include <string_view>

#include "platform/logging/Logger.hpp"
#include "platform/logging/RepeatedFailureLog.hpp"

namespace quorvel {

class RejectionLog {
public:
    RejectionLog(asio::io_context& io, Logger logger, double intervalSeconds);

    /// One request turned away, of `kind`, described by `text`.
    void rejected(std::string_view kind, std::string_view text);
    /// Says every count not said yet (before the server stops).
    void sayAll();

private:
    void armTimer();

    RepeatedFailureLog failures_;
    double interval_;
    asio::steady_timer timer_;
    bool armed_ = false;
};

}  // namespace quorvel
