#pragma once
// The sound player's output in the app: one Qt audio sink per sound on the default audio
// device, fed from the sound's samples held in memory. A sink holds a stream of the sound
// server only while its sound plays and a moment after: an idle open stream would keep the
// server from suspending the sound card. Voices are played from the thread that runs the Qt
// event loop (the main thread).
#include <QString>

#include "platform/desktop/SoundOutput.hpp"

namespace quorvel {

class QtSoundOutput final : public SoundOutput {
public:
    /// Milliseconds a voice's stream stays open after its samples are used up, for the sound
    /// server to play what it still holds.
    static constexpr int releaseDelayMilliseconds = 1000;
    /// The environment variable through which the PulseAudio client library (also that of
    /// PipeWire's PulseAudio server) takes the application name of a connection.
    static constexpr const char* applicationNameVariable = "PULSE_PROP_OVERRIDE_application.name";

    /// With a `mixerName`, connects to the sound server at once (a sink started and stopped
    /// with nothing written) so that the app's streams carry that name in the desktop's
    /// mixer; only the first connection of the process takes a name. Needs a Qt application
    /// object; main thread, at start.
    explicit QtSoundOutput(const QString& mixerName = {});

    /// Fails when there is no audio output device, or it can't play 22,050 Hz mono 16-bit
    /// sound. Needs a Qt application object.
    Expected<std::unique_ptr<SoundVoice>, SoundOutputError> prepare(
        std::vector<std::int16_t> samples) override;
};

}  // namespace quorvel
