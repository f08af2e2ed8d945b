#pragma once
// The mascot's animation for each state of the device. Four motions loop for as long as their
// state lasts; done, broke and crashed play once and then hold their last pose; muted is a
// single still pose.
#include <array>
#include <optional>
#include <string_view>

#include "kit/engine/PixelArtFace.hpp"

namespace quorvel {

enum class MascotMotion { idle, running, longRun, done, needsYou, broke, crashed, muted };

inline constexpr std::array<MascotMotion, 8> allMascotMotions{
    MascotMotion::idle,     MascotMotion::running, MascotMotion::longRun, MascotMotion::done,
    MascotMotion::needsYou, MascotMotion::broke,   MascotMotion::crashed, MascotMotion::muted,
};

/// The case name: "idle", "running", "longRun", "done", "needsYou", "broke", "crashed", "muted".
std::string_view rawValue(MascotMotion motion);
/// The motion of an exact (case-sensitive) raw value; nothing for any other text.
std::optional<MascotMotion> mascotMotionFromRawValue(std::string_view raw);

/// True for idle, running, longRun and needsYou.
bool loops(MascotMotion motion);
/// True for done, broke and crashed only: muted neither loops nor plays once.
bool playsOnce(MascotMotion motion);
/// The period of a loop or the span of a one-shot, in seconds (0 for muted).
double duration(MascotMotion motion);
/// The face the motion rests on.
PixelArt::Face baseFace(MascotMotion motion);

}  // namespace quorvel
