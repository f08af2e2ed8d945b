#pragma once
// Where the sound player's samples go: the audio system in the app, a recording in tests.
// An output prepares one voice per sound ahead of time, so that an alert sounds without the
// delay of setting up a stream.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Expected.hpp"

namespace quorvel {

/// One prepared sound, ready to start.
class SoundVoice {
public:
    virtual ~SoundVoice() = default;
    /// Plays the sound from its beginning at `gain` (0...1, linear), restarting it when it
    /// is already playing.
    virtual void play(double gain) = 0;
    virtual bool isPlaying() const = 0;
    /// Stops the sound where it is.
    virtual void stop() = 0;
};

struct SoundOutputError {
    std::string message;
};

class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    /// A voice for `samples`: 16-bit signed mono at 22,050 samples per second.
    virtual Expected<std::unique_ptr<SoundVoice>, SoundOutputError> prepare(
        std::vector<std::int16_t> samples) = 0;
};

}  // namespace quorvel
