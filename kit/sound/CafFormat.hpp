#pragma once
// The one audio file form the app writes and plays: a Core Audio Format file holding 16-bit
// signed little-endian linear PCM, one channel, 22,050 frames per second. The container is
// big-endian throughout; only the samples are little-endian, as the format flags say.
#include <cstdint>
#include <string>

namespace quorvel::caf {

inline constexpr double sampleRate = 22050.0;
inline constexpr std::uint16_t fileVersion = 1;
inline constexpr std::uint32_t formatFlagIsLittleEndian = 1u << 1;
inline constexpr std::uint32_t bytesPerFrame = 2;
inline constexpr std::int64_t descriptionChunkSize = 32;
/// The data chunk starts with a 32-bit edit count before its samples.
inline constexpr std::int64_t editCountSize = 4;

/// Why a sound file could not be read or written, as a person can read it.
struct CafError {
    std::string message;
};

}  // namespace quorvel::caf
