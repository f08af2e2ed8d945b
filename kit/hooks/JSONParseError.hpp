#pragma once
// The first error a strict parse meets, with the place it was met: lines from 1, columns from
// 1 counted in bytes (so an editor's "go to" lands on the byte the parser stopped at).
#include <cstdint>
#include <string>

namespace quorvel {

struct JSONParseError {
    std::string message;
    std::int64_t line = 1;
    std::int64_t column = 1;

    /// message + " (line L, column C)".
    std::string description() const;

    bool operator==(const JSONParseError&) const = default;
};

}  // namespace quorvel
