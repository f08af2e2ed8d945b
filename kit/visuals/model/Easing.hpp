#pragma once
// The shape of one segment between two keyframes.

namespace quorvel {

enum class Easing { linear, easeIn, easeOut, easeInOut, hold };

/// The eased progress for the linear progress `u` through a segment. `linear` passes `u` through
/// unchanged (also outside 0...1); `hold` is 0 everywhere, so the segment keeps its start value;
/// the three curves are cubic Béziers from (0, 0) to (1, 1), clamped to 0 and 1 outside 0...1.
double apply(Easing easing, double u);

}  // namespace quorvel
