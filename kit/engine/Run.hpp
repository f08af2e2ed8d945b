#pragma once
// One agent run: from the prompt that started it to the stop that ends it.
#include <string>

#include "platform/time/Instant.hpp"
#include "kit/engine/RecordFields.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel {

struct Run {
    /// Receive time of the event that started the run.
    Instant startedAt;
    /// At most 40 characters of the prompt's first line; may be empty.
    std::string title;

    static Run decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const Run&) const = default;
};

/// Every field of a run as it is saved, in the order of its keys.
inline constexpr auto runFields = std::tuple{
    recordField("startedAt", &Run::startedAt),
    recordField("title", &Run::title),
};
static_assert(declaresEveryMember<Run>(runFields), "every member of Run has its line in runFields");

}  // namespace quorvel
