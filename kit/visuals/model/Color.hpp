#pragma once
// A colour as plain numbers: sRGB components and opacity, each 0...1.

namespace quorvel {

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double opacity = 1;

    bool operator==(const Color&) const = default;
};

}  // namespace quorvel
