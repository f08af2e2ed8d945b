#pragma once
// The product's one palette. Every face of the device, the strip, the lists, the mascot and the
// phone screens takes its colours from here by name.
#include <cstdint>

#include "kit/visuals/model/Color.hpp"

namespace quorvel::Tokens {

/// The sRGB colour of a 24-bit value (red in bits 16-23); higher bits are ignored.
constexpr Color color(std::uint32_t hex, double opacity = 1.0) {
    return Color{static_cast<double>((hex >> 16) & 0xFF) / 255.0,
                 static_cast<double>((hex >> 8) & 0xFF) / 255.0,
                 static_cast<double>(hex & 0xFF) / 255.0, opacity};
}

inline constexpr Color ink = color(0x0E0E0E);
inline constexpr Color chassis = color(0x2B2C2F);
inline constexpr Color panel = color(0x3A3C41);
inline constexpr Color side = color(0x202124);
inline constexpr Color top = color(0x3C3E43);
inline constexpr Color inset = color(0x1E1F22);
inline constexpr Color screen = color(0x0F130F);
inline constexpr Color acid = color(0xC8F03C);
inline constexpr Color acidDeep = color(0x6F8A12);
inline constexpr Color mascotWhite = color(0xF4F3EE);
inline constexpr Color dim = color(0x9A9CA1);
inline constexpr Color broke = color(0xFF5A4F);
inline constexpr Color brokeDeep = color(0x8F2A22);
inline constexpr Color shutter = color(0xCFCFCF);
inline constexpr Color inkTapeText = color(0xF4F2EC);
inline constexpr Color acidTapeText = color(0x18200A);
inline constexpr Color nearBlack = color(0x0A0A0B);
inline constexpr Color keyDepth = color(0x1C1D1F);
inline constexpr Color inkTape = color(0x111111);
inline constexpr Color panelPressed = color(0x33352F);
inline constexpr Color steel = color(0x55575C);
inline constexpr Color keyLegend = color(0xC4C6CA);
inline constexpr Color graphite = color(0x18191B);
inline constexpr Color slot = color(0x111214);
inline constexpr Color well = color(0x0B0B0C);
inline constexpr Color mouth = color(0x050505);
inline constexpr Color mascotScreen = color(0x050605);
inline constexpr Color black = color(0x000000);
inline constexpr Color white = color(0xFFFFFF);
/// The desktop's standard green, for a done step in the standard-look setup checklist.
inline constexpr Color green = color(0x34C759);

}  // namespace quorvel::Tokens
