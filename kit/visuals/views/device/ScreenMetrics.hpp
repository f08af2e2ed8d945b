#pragma once
// The sizes of one device screen, in points: the device face and the phone face draw the same
// screen at their own sizes.

namespace quorvel {

struct ScreenMetrics {
    struct Padding {
        double horizontal = 0;
        double vertical = 0;
        bool operator==(const Padding&) const = default;
    };

    double mascotScale = 6;  ///< points per art pixel; the mascot is 16 x 16 art pixels
    double headlineSize = 58;
    double line1Height = 46;
    double line2Height = 50;
    double bezelPadding = 12;  ///< between the screen and the bezel's edge
    Padding screenPadding = {16, 12};
    double rowSpacing = 10;   ///< status row to mascot row
    double heroSpacing = 18;  ///< mascot to headline column
    double headroom = 16;     ///< how far the mascot may rise above its place

    static constexpr ScreenMetrics device() { return ScreenMetrics{}; }
    static constexpr ScreenMetrics phone() { return ScreenMetrics{5, 46, 38, 38, 8, {14, 10}, 8, 14, 10}; }

    bool operator==(const ScreenMetrics&) const = default;
};

}  // namespace quorvel
