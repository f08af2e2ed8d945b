#include "kit/sound/Chiptune.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using Chiptune::Note;
using Chiptune::Wave;

// FNV-1a over the samples' little-endian bytes: a fingerprint of a whole sound.
std::uint64_t fingerprint(const std::vector<std::int16_t>& samples) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::int16_t sample : samples) {
        const auto value = static_cast<std::uint16_t>(sample);
        for (unsigned byte : {value & 0xFFu, static_cast<unsigned>(value >> 8)}) {
            hash ^= byte;
            hash *= 0x100000001b3ull;
        }
    }
    return hash;
}

Note steadyNote(double frequency, double duration, Wave wave, double decay) {
    return Note{frequency, duration, wave, 1.0, std::nullopt, decay, 0};
}

TEST(Chiptune, NoteCountsRoundHalvesAwayFromZero) {
    // 0.09 s is 1,984.5 samples: 1,985, where rounding halves to even would give 1,984.
    struct Case {
        double duration;
        std::size_t samples;
    } cases[] = {{0.09, 1985}, {0.26, 5733}, {0.03, 662}, {0.06, 1323}, {0.3, 6615},
                 {0.13, 2867}, {0.05, 1103}, {0.42, 9261}, {0.85, 18743},
                 {0.0, 0},     {0.00002, 0}, {-1.0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(Chiptune::render({steadyNote(440, c.duration, Wave::square(0.5), 0)}, 0.8).size(), c.samples)
            << c.duration;
    }
    EXPECT_TRUE(Chiptune::render({}, 0.8).empty());
    EXPECT_TRUE(Chiptune::render({steadyNote(440, std::nan(""), Wave::triangle(), 0)}, 0.8).empty());
}

TEST(Chiptune, SoundsHaveTheirLengths) {
    struct Case {
        Sound sound;
        std::size_t notes;
        std::size_t samples;
    } cases[] = {{Sound::fanfare, 7, 20288}, {Sound::alarm, 9, 20511}, {Sound::buzz, 1, 9261},
                 {Sound::powerdown, 1, 18743}, {Sound::tick, 1, 662}};
    for (const Case& c : cases) {
        EXPECT_EQ(Chiptune::notes(c.sound).size(), c.notes) << rawValue(c.sound);
        EXPECT_EQ(Chiptune::samples(c.sound, 0.8).size(), c.samples) << rawValue(c.sound);
    }
}

// Values worked out by hand from the synthesis rules (volume 0.8 unless said otherwise).
TEST(Chiptune, HandComputedSamples) {
    const auto fanfare = Chiptune::samples(Sound::fanfare, 0.8);
    // i = 1 of 523.25 Hz: phase 2 × 523.25 / 22050 = 0.047 (high, +1); envelope
    // (1/44) × (1 − 0.1 × 1/1985) = 0.022726; 0.8 × 0.022726 × 127 = 2.31 → 2 → 512.
    EXPECT_EQ(fanfare[1], 512);
    // i = 44: phase frac(45 × 0.023730) = 0.068 (high); envelope 1 − 0.1 × 44/1985 = 0.99778;
    // 0.8 × 0.99778 × 127 = 101.37 → 101 → 25,856.
    EXPECT_EQ(fanfare[44], 25856);
    // Last sample of the first note: release 1/132, decay 0.1 × 1984/1985; phase
    // frac(1985 × 0.023730) = 0.104 (high): 0.8 × 0.90005/132 × 127 = 0.69 → 1 → 256.
    EXPECT_EQ(fanfare[1984], 256);
    // The second note starts again at phase 0 with attack 0.
    EXPECT_EQ(fanfare[1985], 0);

    const auto tick = Chiptune::samples(Sound::tick, 0.8);
    // i = 43 of the 1500 Hz triangle: phase frac(44 × 1500/22050) = 0.99320, wave
    // |0.99320 − 0.5| × 4 − 1 = 0.97279; envelope (43/44) × (1 − 43/662) = 0.91379;
    // 0.8 × (0.55 × 0.97279 × 0.91379) × 127 = 49.67 → 50 → 12,800.
    EXPECT_EQ(tick[43], 12800);

    const auto loudFanfare = Chiptune::samples(Sound::fanfare, 1.0);
    // i = 1 at full volume: 0.022726 × 127 = 2.886 → 3 → 768.
    EXPECT_EQ(loudFanfare[1], 768);
}

// Whole sounds, sample for sample, against a separate implementation of the same rules.
TEST(Chiptune, SoundsMatchTheReferenceRender) {
    struct Case {
        Sound sound;
        double volume;
        std::uint64_t fingerprint;
        std::vector<std::pair<std::size_t, std::int16_t>> samples;
    } cases[] = {
        {Sound::fanfare, 0.8, 0xc88b05c086f370baull, {{0, 0}, {1000, -24576}, {11688, 0}, {12349, 0}, {20287, 0}}},
        {Sound::alarm, 0.8, 0xf9bfb83cceaa7b65ull,
         {{0, 0}, {43, -25344}, {44, -25856}, {100, 25856}, {2866, -256}, {3000, 25856}, {6836, 0}, {20510, 0}}},
        {Sound::buzz, 0.8, 0x22ea89ae10aca678ull,
         // 200 lies in the high half of the 28 Hz flutter, 400 in the low half (× 0.65).
         {{44, 23296}, {200, -23296}, {400, -14848}, {500, 14848}, {4000, -19456}, {9260, 0}}},
        {Sound::powerdown, 0.8, 0x46a72d3d61a8afbfull,
         {{44, 4096}, {100, 25600}, {9000, -7680}, {18000, 768}, {18742, 0}}},
        {Sound::tick, 0.8, 0xa54c95f25492f30eull, {{1, 256}, {44, 9984}, {300, -7168}, {530, 1536}, {661, 0}}},
        {Sound::fanfare, 1.0, 0xfd3e3302400a8a27ull, {}},
        {Sound::alarm, 1.0, 0x2e5de0472bed2429ull, {}},
        {Sound::buzz, 1.0, 0x800f87d30acbb9e9ull, {}},
        {Sound::powerdown, 1.0, 0xca23d417dc90f37dull, {}},
        {Sound::tick, 1.0, 0x80d85a0913588b80ull, {}},
    };
    for (const Case& c : cases) {
        const auto samples = Chiptune::samples(c.sound, c.volume);
        EXPECT_EQ(fingerprint(samples), c.fingerprint) << rawValue(c.sound) << " at " << c.volume;
        for (auto [index, value] : c.samples) {
            ASSERT_LT(index, samples.size());
            EXPECT_EQ(samples[index], value) << rawValue(c.sound) << "[" << index << "] at " << c.volume;
        }
    }
}

TEST(Chiptune, EveryNoteStartsSilentAndRestsAreZero) {
    const auto fanfare = Chiptune::samples(Sound::fanfare, 1.0);
    std::size_t start = 0;
    for (const Note& note : Chiptune::notes(Sound::fanfare)) {
        EXPECT_EQ(fanfare[start], 0) << "note at sample " << start;
        const auto count = static_cast<std::size_t>(std::round(note.duration * Chiptune::sampleRate));
        if (note.frequency <= 0) {
            EXPECT_EQ(count, 662u);
            for (std::size_t i = start; i < start + count; ++i) ASSERT_EQ(fanfare[i], 0) << i;
        }
        start += count;
    }
    EXPECT_EQ(start, fanfare.size());
}

TEST(Chiptune, QuantisingRoundsHalvesAwayFromZeroAndClipsSymmetrically) {
    // A square note past its attack and before its release, with no decay, is ±volume
    // exactly: 2.5/127 gives 8-bit levels of exactly ±2.5, which round to ±3 (never ±2).
    const Note flat = steadyNote(441, 0.1, Wave::square(0.5), 0);  // 50 samples per period
    const auto half = Chiptune::render({flat}, 2.5 / 127);
    // The phase of sample i is (i + 1)/50 of a period.
    EXPECT_EQ(half[60], 3 * 256);   // phase 0.22: high
    EXPECT_EQ(half[80], -3 * 256);  // phase 0.62: low

    // At volume 2 a full-scale square clips to exactly ±127 in the high byte.
    const auto clipped = Chiptune::render({flat}, 2.0);
    std::int16_t lowest = 0;
    std::int16_t highest = 0;
    for (std::int16_t sample : clipped) {
        lowest = std::min(lowest, sample);
        highest = std::max(highest, sample);
        EXPECT_EQ(sample % 256, 0);
    }
    EXPECT_EQ(lowest, -32512);
    EXPECT_EQ(highest, 32512);

    // Exactly ±1 gives ±127.
    EXPECT_EQ(Chiptune::render({flat}, 1.0)[60], 32512);
    EXPECT_EQ(Chiptune::render({flat}, 1.0)[80], -32512);
}

TEST(Chiptune, SilentAtVolumeZeroOrNotANumber) {
    for (double volume : {0.0, std::nan("")}) {
        for (Sound sound : allSounds) {
            const auto samples = Chiptune::samples(sound, volume);
            ASSERT_FALSE(samples.empty());
            for (std::int16_t sample : samples) ASSERT_EQ(sample, 0) << rawValue(sound);
        }
    }
}

TEST(Chiptune, ShortNotesApplyAttackAndReleaseTogether) {
    // 100 samples: at i = 10 the attack is 10/44 and the release 90/132.
    const Note shortNote = steadyNote(441, 100 / Chiptune::sampleRate, Wave::square(0.5), 0);
    const auto samples = Chiptune::render({shortNote}, 1.0);
    ASSERT_EQ(samples.size(), 100u);
    // phase 11/50 is high: 127 × (10/44) × (90/132) = 19.68 → 20.
    EXPECT_EQ(samples[10], 20 * 256);
    // i = 98, phase 99/50 is low: release 2/132: −127 × 2/132 = −1.92 → −2.
    EXPECT_EQ(samples[98], -2 * 256);
}

TEST(Chiptune, NonsenseNotesNeverCrash) {
    const std::vector<Note> notes{
        Note{std::nan(""), 0.01, Wave::square(0.5), 1.0, std::nullopt, 0.3, 0},
        Note{440, 0.01, Wave::triangle(), 1.0, -50.0, 0.3, 0},
        Note{440, 0.01, Wave::triangle(), std::numeric_limits<double>::infinity(), std::nullopt, 0, 0},
        Note{440, 0.01, Wave::square(0.5), 1.0, 0.0, 0.3, 0},
    };
    const auto samples = Chiptune::render(notes, 0.8);
    EXPECT_EQ(samples.size(), 4 * 221u);
    for (std::int16_t sample : samples) ASSERT_GE(sample, -32512);
    EXPECT_THROW(Chiptune::render({steadyNote(440, 1e300, Wave::triangle(), 0)}, 0.8), std::length_error);
}

}  // namespace
}  // namespace quorvel
