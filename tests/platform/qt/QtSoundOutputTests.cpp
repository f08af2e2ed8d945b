#include "platform/qt/QtSoundOutput.hpp"

#include <gtest/gtest.h>

#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

TEST(QtSoundOutput, PlaysAndStopsAVoiceWhenThereIsAnAudioDevice) {
    testing::ensureApplication();
    QtSoundOutput output;
    auto voice = output.prepare(std::vector<std::int16_t>(2205, 0));  // 0.1 s of silence
    if (!voice) GTEST_SKIP() << "No usable audio output here: " << voice.error().message;

    SoundVoice& sound = **voice;
    sound.play(0.25);
    sound.play(0.25);  // a restart while playing
    testing::runEvents(50);
    sound.stop();
    EXPECT_FALSE(sound.isPlaying());
    sound.stop();  // stopping a stopped voice is harmless
}

}  // namespace
}  // namespace quorvel
