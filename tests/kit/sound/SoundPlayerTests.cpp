#include "kit/sound/SoundPlayer.hpp"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "kit/sound/CafWriter.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

struct VoiceRecord {
    std::vector<double> plays;  // gain of every start
    int stops = 0;
    bool playing = false;
};

class FakeVoice final : public SoundVoice {
public:
    explicit FakeVoice(std::shared_ptr<VoiceRecord> record) : record_(std::move(record)) {}
    void play(double gain) override {
        record_->plays.push_back(gain);
        record_->playing = true;
    }
    bool isPlaying() const override { return record_->playing; }
    void stop() override {
        ++record_->stops;
        record_->playing = false;
    }

private:
    std::shared_ptr<VoiceRecord> record_;
};

// Knows each sound by its one sample (the sound's position + 1, see `SoundPlayerTest`).
class FakeOutput final : public SoundOutput {
public:
    explicit FakeOutput(std::map<Sound, std::shared_ptr<VoiceRecord>>& voices, std::optional<Sound> refuse = {})
        : voices_(voices), refuse_(refuse) {}

    Expected<std::unique_ptr<SoundVoice>, SoundOutputError> prepare(std::vector<std::int16_t> samples) override {
        if (samples.size() != 1) return unexpected(SoundOutputError{"unexpected samples"});
        const Sound sound = allSounds.at(static_cast<std::size_t>(samples[0] - 1));
        if (refuse_ == sound) return unexpected(SoundOutputError{"No audio output device"});
        auto record = std::make_shared<VoiceRecord>();
        voices_[sound] = record;
        std::unique_ptr<SoundVoice> voice = std::make_unique<FakeVoice>(record);
        return voice;
    }

private:
    std::map<Sound, std::shared_ptr<VoiceRecord>>& voices_;
    std::optional<Sound> refuse_;
};

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (std::size_t index = 0; index < allSounds.size(); ++index) {
            const std::vector<std::int16_t> samples{static_cast<std::int16_t>(index + 1)};
            ASSERT_TRUE(caf::writeFile(path(allSounds[index]), samples));
        }
    }

    std::string path(Sound sound) const { return (folder_ / fileName(sound)).string(); }

    SoundPlayer makePlayer(std::optional<Sound> refuse = {}) {
        return SoundPlayer(std::make_unique<FakeOutput>(voices_, refuse), folder_.string());
    }

    std::vector<std::string> logLines() const { return log_.lines(); }

    VoiceRecord& voice(Sound sound) { return *voices_.at(sound); }

    testing::TemporaryFolder temporary_;
    const std::filesystem::path folder_ = temporary_.path();
    testing::LogCapture log_;
    std::map<Sound, std::shared_ptr<VoiceRecord>> voices_;
};

TEST_F(SoundPlayerTest, PlaysAtTheSquareOfTheClampedVolume) {
    SoundPlayer player = makePlayer();
    for (Sound sound : allSounds) EXPECT_TRUE(player.isLoaded(sound));
    EXPECT_TRUE(logLines().empty());

    player.play(Sound::fanfare, 0.5);
    player.play(Sound::alarm, 1.7);
    player.play(Sound::powerdown, 0.82);
    EXPECT_EQ(voice(Sound::fanfare).plays, std::vector<double>{0.25});
    EXPECT_EQ(voice(Sound::alarm).plays, std::vector<double>{1.0});
    EXPECT_DOUBLE_EQ(voice(Sound::powerdown).plays.at(0), 0.82 * 0.82);
}

TEST_F(SoundPlayerTest, PlaysNothingAtZeroOrLess) {
    SoundPlayer player = makePlayer();
    for (double volume : {0.0, -1.0, -0.0, std::nan("")}) player.play(Sound::buzz, volume);
    EXPECT_TRUE(voice(Sound::buzz).plays.empty());
}

TEST_F(SoundPlayerTest, RestartsASoundLeavingOthersPlayingAndStopsWhatPlays) {
    SoundPlayer player = makePlayer();
    player.play(Sound::fanfare, 1);
    player.play(Sound::tick, 1);
    player.play(Sound::tick, 1);
    EXPECT_EQ(voice(Sound::tick).plays.size(), 2u);
    EXPECT_TRUE(voice(Sound::fanfare).playing);

    player.stop();
    for (Sound sound : allSounds) {
        const bool played = sound == Sound::fanfare || sound == Sound::tick;
        EXPECT_EQ(voice(sound).stops, played ? 1 : 0) << rawValue(sound);
        EXPECT_FALSE(voice(sound).playing);
    }
}

TEST_F(SoundPlayerTest, AMissingFileIsLoggedOnceAndTheOthersStillPlay) {
    std::filesystem::remove(path(Sound::buzz));
    SoundPlayer player = makePlayer();
    EXPECT_EQ(logLines(), std::vector<std::string>{"error com.tessaloom.quorvel [Sound] Missing sound buzz.caf in the app bundle"});

    player.play(Sound::buzz, 1);  // silently nothing
    for (Sound sound : allSounds) {
        if (sound == Sound::buzz) continue;
        player.play(sound, 1);
        EXPECT_EQ(voice(sound).plays.size(), 1u) << rawValue(sound);
    }
    EXPECT_FALSE(player.isLoaded(Sound::buzz));
    EXPECT_FALSE(voices_.contains(Sound::buzz));
    EXPECT_EQ(logLines().size(), 1u);
}

TEST_F(SoundPlayerTest, UnreadableSoundsAreLoggedWithTheReason) {
    {
        std::ofstream damaged(path(Sound::fanfare), std::ios::trunc);
        damaged << "RIFF....WAVE";
    }
    SoundPlayer player = makePlayer(Sound::tick);
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{
                  "error com.tessaloom.quorvel [Sound] Couldn't load fanfare.caf: Not a readable sound file: it is not a Core Audio Format file",
                  "error com.tessaloom.quorvel [Sound] Couldn't load tick.caf: No audio output device",
              }));
    EXPECT_FALSE(player.isLoaded(Sound::fanfare));
    EXPECT_FALSE(player.isLoaded(Sound::tick));
    EXPECT_TRUE(player.isLoaded(Sound::alarm));
}

}  // namespace
}  // namespace quorvel
