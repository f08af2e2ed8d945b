#pragma once
// The received pushes shown on the phone, newest first and at most `limit`, kept as
// "history.json" ({"items": [...]}) under a base folder the caller owns. Meant for one
// writer: load, add, save.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "kit/push/ReceivedPush.hpp"
#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel {

struct PushHistory {
    static constexpr std::size_t limit = 200;
    static constexpr const char* fileName = "history.json";

    std::vector<ReceivedPush> items;

    /// The stored history; empty when the file is missing, unreadable or not a history.
    static PushHistory load(const std::string& baseFolder);
    /// Writes the history atomically (the base folder must exist). A file already there that
    /// can't be read or decoded is first renamed aside ("history.json.unreadable-" + a new
    /// UUID), never overwritten: it may hold what `load` could not give.
    Expected<void, files::FileError> save(const std::string& baseFolder) const;
    /// Puts the pushes whose id the history does not hold yet in front, in their order, and
    /// drops the oldest items beyond `limit`.
    void add(const std::vector<ReceivedPush>& pushes);
    /// The newest item; none when empty.
    std::optional<ReceivedPush> latest() const;

    static PushHistory decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const PushHistory&) const = default;
};

}  // namespace quorvel
