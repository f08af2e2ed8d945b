#pragma once
// One animated channel: keyframes over a motion's local time, sampled at any moment.
#include <vector>

#include "kit/visuals/model/Keyframe.hpp"

namespace quorvel {

class Track {
public:
    Track() = default;
    /// Keeps the keys sorted by time; keys with equal times keep their given order.
    explicit Track(std::vector<Keyframe> keys);

    const std::vector<Keyframe>& keys() const { return keys_; }

    /// The channel's value at local time `t`. Before the first key and after the last the end
    /// values hold; an empty track is 0 everywhere.
    double value(double t) const;

    bool operator==(const Track&) const = default;

private:
    std::vector<Keyframe> keys_;
};

}  // namespace quorvel
