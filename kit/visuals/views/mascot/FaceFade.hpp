#pragma once
// With reduce motion on, a change of the mascot's face cross-fades instead of jumping: the old
// face fades out as the new one fades in, eased in and out over 0.2 s.
#include <optional>

#include "kit/engine/PixelArtFace.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct FaceFade {
    static constexpr double seconds = 0.2;

    /// The face fading out.
    PixelArt::Face from = PixelArt::Face::happy;
    Instant start;

    /// Eased progress at `now`, 0...1; nothing once the fade is over (or before it began).
    std::optional<double> progress(Instant now) const;

    bool operator==(const FaceFade&) const = default;
};

}  // namespace quorvel
