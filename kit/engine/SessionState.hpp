#pragma once
// What one agent session is doing, as the user is told it.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "kit/engine/Run.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel {

struct SessionState {
    struct Idle {
        bool operator==(const Idle&) const = default;
    };
    struct Running {
        Run run;
        bool operator==(const Running&) const = default;
    };
    struct LongRun {
        Run run;
        bool operator==(const LongRun&) const = default;
    };
    struct Done {
        std::optional<std::string> title;
        /// Seconds.
        std::optional<double> duration;
        std::optional<std::string> note;
        bool operator==(const Done&) const = default;
    };
    struct NeedsYou {
        std::string message;
        bool operator==(const NeedsYou&) const = default;
    };
    struct Broke {
        std::string command;
        std::optional<std::int64_t> exitCode;
        bool operator==(const Broke&) const = default;
    };
    struct Crashed {
        std::string reason;
        bool operator==(const Crashed&) const = default;
    };

    /// The cases in declaration order (also the order of their JSON keys).
    enum class Kind { idle, running, longRun, done, needsYou, broke, crashed };

    std::variant<Idle, Running, LongRun, Done, NeedsYou, Broke, Crashed> value;

    static SessionState idle() { return {Idle{}}; }
    static SessionState running(Run run) { return {Running{std::move(run)}}; }
    static SessionState longRun(Run run) { return {LongRun{std::move(run)}}; }
    static SessionState done(std::optional<std::string> title, std::optional<double> duration,
                             std::optional<std::string> note) {
        return {Done{std::move(title), duration, std::move(note)}};
    }
    static SessionState needsYou(std::string message) { return {NeedsYou{std::move(message)}}; }
    static SessionState broke(std::string command, std::optional<std::int64_t> exitCode) {
        return {Broke{std::move(command), exitCode}};
    }
    static SessionState crashed(std::string reason) { return {Crashed{std::move(reason)}}; }

    Kind kind() const { return static_cast<Kind>(value.index()); }
    bool is(Kind k) const { return kind() == k; }

    /// The payload of case `T`, or null when the state is another case.
    template <typename T>
    const T* as() const {
        return std::get_if<T>(&value);
    }

    /// True while the agent works: running or in a long run.
    bool isBusy() const { return is(Kind::running) || is(Kind::longRun); }

    /// The run of a running or long-running state; null for the other cases.
    const Run* busyRun() const;

    /// The case-keyed JSON form: {"done":{"title":…}}, {"running":{"_0":{…}}}, {"idle":{}}.
    /// Throws json::JsonDecodeError ("Invalid number of keys found, expected one." when the
    /// object does not hold exactly one case name).
    static SessionState decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const SessionState&) const = default;
};

}  // namespace quorvel
