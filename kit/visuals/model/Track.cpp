#include "kit/visuals/model/Track.hpp"

#include <algorithm>

namespace quorvel {

Track::Track(std::vector<Keyframe> keys) : keys_(std::move(keys)) {
    std::stable_sort(keys_.begin(), keys_.end(),
                     [](const Keyframe& a, const Keyframe& b) { return a.time < b.time; });
}

double Track::value(double t) const {
    if (keys_.empty()) return 0;
    if (t <= keys_.front().time) return keys_.front().value;
    if (t >= keys_.back().time) return keys_.back().value;
    for (std::size_t i = 0; i + 1 < keys_.size(); ++i) {
        const Keyframe& k0 = keys_[i];
        const Keyframe& k1 = keys_[i + 1];
        if (!(k0.time <= t && t < k1.time)) continue;
        const double span = k1.time - k0.time;
        if (!(span > 0)) return k1.value;
        const double u = (t - k0.time) / span;
        return k0.value + (k1.value - k0.value) * apply(k0.easing, u);
    }
    // Only reachable with a NaN time, which no neighbouring pair brackets.
    return keys_.back().value;
}

}  // namespace quorvel
