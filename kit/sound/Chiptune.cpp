#include "kit/sound/Chiptune.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace quorvel::Chiptune {

namespace {

// A 44-sample fade-in and a 132-sample fade-out keep every note free of clicks.
constexpr std::int64_t attackSamples = 44;
constexpr std::int64_t releaseSamples = 132;
// Amplitude of the low half of the rasp flutter.
constexpr double raspLowLevel = 0.65;
// Far beyond any alert sound (about 27 hours), and small enough to index safely.
constexpr double maxNoteSamples = static_cast<double>(std::numeric_limits<std::int32_t>::max());

Note tone(double frequency, double duration, Wave wave, double decay) {
    return Note{frequency, duration, wave, 1.0, std::nullopt, decay, 0};
}

// The number of samples a note lasts: its duration in samples, halves rounded away from
// zero (0.09 s is 1,984.5 samples, so 1,985). Zero for anything not a positive length.
std::int64_t sampleCount(double duration) {
    const double count = std::round(duration * sampleRate);
    if (!(count >= 1)) return 0;  // also NaN
    if (count > maxNoteSamples) throw std::length_error("A note is too long to render.");
    return static_cast<std::int64_t>(count);
}

// The 8-bit level of `value` (full scale ±1) in the high byte of a 16-bit sample. Clipping
// stops at -127 so that the scale stays symmetric.
std::int16_t quantised(double value) {
    if (std::isnan(value)) return 0;
    double level;
    if (value <= -1) {
        level = -127;
    } else {
        level = std::round(std::min(value, 1.0) * 127);
    }
    return static_cast<std::int16_t>(static_cast<int>(level) * 256);
}

double waveValue(const Wave& wave, double phase) {
    switch (wave.shape) {
        case Wave::Shape::square: return phase < wave.duty ? 1.0 : -1.0;
        case Wave::Shape::triangle: return std::abs(phase - 0.5) * 4 - 1;
    }
    return 0;
}

void appendNote(std::vector<std::int16_t>& samples, const Note& note, double volume) {
    const std::int64_t n = sampleCount(note.duration);
    if (n < 1) return;
    if (!(note.frequency > 0)) {
        samples.insert(samples.end(), static_cast<std::size_t>(n), std::int16_t{0});
        return;
    }
    const double f0 = note.frequency;
    const double target = note.glideTo.value_or(f0);
    const double ratio = target / f0;
    double phase = 0;
    samples.reserve(samples.size() + static_cast<std::size_t>(n));
    for (std::int64_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        const std::int64_t left = n - i;

        const double f = f0 * std::pow(ratio, t);
        const double advanced = phase + f / sampleRate;
        phase = advanced - std::floor(advanced);

        const double w = waveValue(note.wave, phase);

        const double attack = i < attackSamples ? static_cast<double>(i) / attackSamples : 1.0;
        const double release =
            left <= releaseSamples ? static_cast<double>(left) / releaseSamples : 1.0;
        double e = attack * (1 - note.decay * t) * release;

        if (note.rasp > 0) {
            const double flutter =
                std::sin(2 * std::numbers::pi * note.rasp * static_cast<double>(i) / sampleRate);
            e *= flutter > 0 ? 1.0 : raspLowLevel;
        }

        const double v = volume * (note.gain * w * e);
        samples.push_back(quantised(v));
    }
}

}  // namespace

Note Note::rest(double duration) {
    return Note{0, duration, Wave::square(0.5), 1.0, std::nullopt, 0.3, 0};
}

std::vector<Note> notes(Sound sound) {
    const Wave half = Wave::square(0.5);
    const Wave quarter = Wave::square(0.25);
    switch (sound) {
        case Sound::fanfare:
            return {
                tone(523.25, 0.09, half, 0.1),
                tone(659.25, 0.09, half, 0.1),
                tone(783.99, 0.09, half, 0.1),
                tone(1046.5, 0.26, half, 0.5),
                Note::rest(0.03),
                tone(783.99, 0.06, half, 0.1),
                tone(1046.5, 0.3, half, 0.9),
            };
        case Sound::alarm: {
            std::vector<Note> phrase{
                tone(880, 0.13, quarter, 0.15),
                tone(659.25, 0.13, quarter, 0.15),
                Note::rest(0.05),
            };
            std::vector<Note> all;
            for (int repeat = 0; repeat < 3; ++repeat) all.insert(all.end(), phrase.begin(), phrase.end());
            return all;
        }
        case Sound::buzz:
            return {Note{98, 0.42, half, 0.9, 73.0, 0.4, 28}};
        case Sound::powerdown:
            return {Note{880, 0.85, Wave::triangle(), 1.0, 36.0, 0.95, 0}};
        case Sound::tick:
            return {Note{1500, 0.03, Wave::triangle(), 0.55, std::nullopt, 1.0, 0}};
    }
    return {};
}

std::vector<std::int16_t> render(const std::vector<Note>& notes, double volume) {
    std::vector<std::int16_t> samples;
    for (const Note& note : notes) appendNote(samples, note, volume);
    return samples;
}

std::vector<std::int16_t> samples(Sound sound, double volume) { return render(notes(sound), volume); }

}  // namespace quorvel::Chiptune
