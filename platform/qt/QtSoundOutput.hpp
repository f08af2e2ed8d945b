#pragma once
// The sound player's output in the app: one Qt audio sink per sound on the default audio
// device, fed from the sound's samples held in memory. Voices are played from the thread
// that runs the Qt event loop (the main thread).
#include "platform/SoundOutput.hpp"

namespace quorvel {

class QtSoundOutput final : public SoundOutput {
public:
    /// Fails when there is no audio output device, or it can't play 22,050 Hz mono 16-bit
    /// sound. Needs a Qt application object.
    Expected<std::unique_ptr<SoundVoice>, SoundOutputError> prepare(
        std::vector<std::int16_t> samples) override;
};

}  // namespace quorvel
