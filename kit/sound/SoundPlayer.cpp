#include "kit/sound/SoundPlayer.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "kit/sound/CafReader.hpp"
#include "platform/files/ResourceFolder.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

SoundPlayer::SoundPlayer(std::unique_ptr<SoundOutput> output, const std::string& soundsFolder)
    : output_(std::move(output)) {
    for (Sound sound : allSounds) load(sound, soundsFolder);
}

std::string SoundPlayer::defaultSoundsFolder() {
    // A folder that isn't there makes each sound log itself as missing; the app goes on.
    const auto resources = files::resourceFolder();
    return files::joinPath(resources ? *resources : std::string("resources"), "sounds");
}

void SoundPlayer::load(Sound sound, const std::string& soundsFolder) {
    const std::string name = fileName(sound);
    const std::string path = files::joinPath(soundsFolder, name);
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) {
        logger_.error("Missing sound " + name + " in the app bundle");
        return;
    }
    auto couldNotLoad = [&](const std::string& description) {
        logger_.error("Couldn't load " + name + ": " + description);
    };
    auto samples = caf::readFile(path);
    if (!samples) return couldNotLoad(samples.error().message);
    auto voice = output_->prepare(std::move(samples).value());
    if (!voice) return couldNotLoad(voice.error().message);
    players_[sound] = std::move(voice).value();
}

void SoundPlayer::play(Sound sound, double volume) {
    if (!(volume > 0)) return;  // a muted fader; NaN plays nothing either
    auto player = players_.find(sound);
    if (player == players_.end()) return;
    const double level = std::min(volume, 1.0);
    player->second->play(level * level);
}

void SoundPlayer::stop() {
    for (auto& [sound, player] : players_) {
        if (player->isPlaying()) player->stop();
    }
}

}  // namespace quorvel
