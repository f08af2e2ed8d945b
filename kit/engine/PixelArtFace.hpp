#pragma once
// The mascot's faces. The rest of the pixel art lives with the visuals; the face is here so
// the engine's values can name one without depending on drawing code.

namespace quorvel::PixelArt {

/// In this order; a face's position in it (0 to 8) is used by the motion schedule.
enum class Face { happy, blink, working, shocked, angry, sleepy, dead, wink, zero };

}  // namespace quorvel::PixelArt
