#pragma once
// Plays the five alert sounds. Each sound file is read once, at construction, into a voice
// of the output, so that an alert sounds at once; the device's volume fader is applied with
// a squared curve. A sound whose file is missing or unreadable is logged and stays silent.
// Used from the main thread only.
#include <map>
#include <memory>
#include <string>

#include "kit/engine/Sound.hpp"
#include "platform/desktop/SoundOutput.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class SoundPlayer {
public:
    /// Loads every sound from `soundsFolder` (files named by `fileName(sound)`) into voices
    /// of `output`. Never fails.
    SoundPlayer(std::unique_ptr<SoundOutput> output, const std::string& soundsFolder);

    /// The app's sound files: "sounds" in the resource folder of the running program
    /// (installed or in the build tree).
    static std::string defaultSoundsFolder();

    /// Plays `sound` at the fader's `volume` (0...1): nothing at 0 or less; otherwise at the
    /// square of the volume (at most 1), from the start. Other sounds keep playing.
    void play(Sound sound, double volume);

    /// Stops every sound that is playing.
    void stop();

    /// True when the sound's file was loaded.
    bool isLoaded(Sound sound) const { return players_.contains(sound); }

private:
    void load(Sound sound, const std::string& soundsFolder);

    std::unique_ptr<SoundOutput> output_;
    std::map<Sound, std::unique_ptr<SoundVoice>> players_;
    Logger logger_{"com.tessaloom.quorvel", "Sound"};
};

}  // namespace quorvel
