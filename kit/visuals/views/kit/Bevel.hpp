#pragma once
// How a surface sits on the casing: raised above it by a depth, pressed in, or set into it.
#include <algorithm>

namespace quorvel {

struct Bevel {
    enum class Kind { raised, pressed, recessed };

    Kind kind = Kind::raised;
    /// Points of depth showing below a raised face; 0 for the other kinds.
    double depth = 0;

    static Bevel raised(double depth) { return {Kind::raised, depth}; }
    static Bevel pressed() { return {Kind::pressed, 0}; }
    static Bevel recessed() { return {Kind::recessed, 0}; }

    bool operator==(const Bevel&) const = default;
};

}  // namespace quorvel
