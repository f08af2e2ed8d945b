#pragma once
// A tiny 8-bit synthesiser: a list of notes in, signed 16-bit mono samples out. It is a pure
// function, and its output is exact to the sample: the sound files are made from it once and
// must come out the same on every machine, so the arithmetic below keeps its written order.
#include <cstdint>
#include <optional>
#include <vector>

#include "kit/engine/Sound.hpp"

namespace quorvel::Chiptune {

/// Samples per second of every rendered sound.
inline constexpr double sampleRate = 22050.0;

/// The waveform of a note: a square wave with its duty (the fraction of each period that is
/// high), or a triangle.
struct Wave {
    enum class Shape { square, triangle };

    Shape shape = Shape::square;
    double duty = 0.5;  ///< used by square waves only; 0 for a triangle

    static constexpr Wave square(double duty) { return Wave{Shape::square, duty}; }
    static constexpr Wave triangle() { return Wave{Shape::triangle, 0.0}; }

    bool operator==(const Wave&) const = default;
};

struct Note {
    double frequency = 0;            ///< Hz at the start; 0 or less makes the note a rest
    double duration = 0;             ///< seconds
    Wave wave = Wave::square(0.5);
    double gain = 1.0;               ///< loudness factor of this note
    std::optional<double> glideTo;   ///< Hz at the end; absent keeps the pitch
    double decay = 0.3;              ///< fade over the note: 0 none, 1 to silence
    double rasp = 0;                 ///< Hz of the raspy amplitude flutter; 0 none

    /// Silence of `duration` seconds.
    static Note rest(double duration);

    bool operator==(const Note&) const = default;
};

/// The note list of `sound`.
std::vector<Note> notes(Sound sound);

/// The samples of `notes` at `volume` (1.0 is full scale; louder clips): 8-bit values in
/// the high byte of each 16-bit sample, so every sample lies in -32,512...32,512.
/// Throws std::length_error for a note too long to hold in memory.
std::vector<std::int16_t> render(const std::vector<Note>& notes, double volume);

/// The render of the note list of `sound` at `volume`.
std::vector<std::int16_t> samples(Sound sound, double volume);

}  // namespace quorvel::Chiptune
