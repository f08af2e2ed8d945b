#pragma once
// The helper's own log. The helper has no terminal and must never write to the agent's
// output, so everything it has to say goes here; the file rotates itself to stay bounded.
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

struct HookLog {
    /// The log file.
    std::string url;
    /// Above this size (strictly) the file is moved to url + ".1" before the next line.
    std::int64_t maxBytes = 1'048'576;

    /// Appends "<UTC time with ms> pid <pid> <message>\n", the message's control characters
    /// escaped (`escapedForLogLine`) so that it stays one line. Never fails to its caller: a line
    /// that can't be written is lost.
    void writeLogLine(std::string_view message) const;

    bool operator==(const HookLog&) const = default;
};

}  // namespace quorvel
