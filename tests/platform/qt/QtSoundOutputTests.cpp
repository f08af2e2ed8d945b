#include "platform/qt/QtSoundOutput.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/platform/qt/DesktopPeers.hpp"
#include "tests/support/MonitorRecording.hpp"

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

// `pactl list sink-inputs` of the sound server the test's CTest entry started: every stream
// playing into it, with its properties. Empty when there is none.
std::string sinkInputs() {
    std::string listed;
    if (FILE* pipe = ::popen("pactl list sink-inputs 2>/dev/null", "r")) {
        char chunk[4096];
        for (std::size_t read; (read = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) listed.append(chunk, read);
        ::pclose(pipe);
    }
    return listed;
}

TEST(QtSoundOutputOnSoundServer, HoldsAStreamNamedAfterTheAppOnlyWhileASoundPlays) {
    if (std::getenv("QUORVEL_SOUND_SERVER_TEST") == nullptr) {
        GTEST_SKIP() << "needs the sound server of its own CTest entry (platform_qt_sound_server)";
    }
    testing::ensureApplication();
    QtSoundOutput output(QStringLiteral("Quorvel"));
    // Set only while Qt connected: no program the app starts inherits the name.
    EXPECT_EQ(std::getenv(QtSoundOutput::applicationNameVariable), nullptr);
    auto voice = output.prepare(std::vector<std::int16_t>(11025, 1200));  // 0.5 s, quietly
    ASSERT_TRUE(voice) << voice.error().message;
    // Prepared: nothing open yet.
    EXPECT_TRUE(testing::waitUntil([] { return sinkInputs().empty(); }, 10000)) << sinkInputs();

    (*voice)->play(0.5);
    ASSERT_TRUE(testing::waitUntil([] { return !sinkInputs().empty(); }, 10000));
    const std::string playing = sinkInputs();
    EXPECT_NE(playing.find("application.name = \"Quorvel\""), std::string::npos) << playing;
    EXPECT_EQ(playing.find("QtPulseAudio"), std::string::npos) << playing;

    // The sound is over: its stream goes, so the server may suspend the card.
    EXPECT_TRUE(testing::waitUntil([] { return sinkInputs().empty(); }, 15000)) << sinkInputs();
    EXPECT_FALSE((*voice)->isPlaying());

    // And comes back for the next sound.
    (*voice)->play(0.5);
    EXPECT_TRUE(testing::waitUntil([] { return !sinkInputs().empty(); }, 10000));
    (*voice)->stop();
    EXPECT_TRUE(testing::waitUntil([] { return sinkInputs().empty(); }, 10000)) << sinkInputs();
}

// The sink the test's CTest entry gives its sound server.
constexpr const char* quietSink = "quiet";

TEST(QtSoundOutputOnSoundServer, EveryPlayOfAVoiceIsHeardHoweverManyCameBefore) {
    if (std::getenv("QUORVEL_SOUND_SERVER_TEST") == nullptr) {
        GTEST_SKIP() << "needs the sound server of its own CTest entry (platform_qt_sound_server)";
    }
    testing::ensureApplication();
    QtSoundOutput output(QStringLiteral("Quorvel"));
    // A 0.3 s tone, loud enough to tell from silence in the recording.
    std::vector<std::int16_t> tone(6615);
    for (std::size_t index = 0; index < tone.size(); ++index) {
        tone[index] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440 * static_cast<double>(index) / 22050));
    }
    auto voice = output.prepare(tone);
    ASSERT_TRUE(voice) << voice.error().message;

    testing::MonitorRecording recording(quietSink, std::string(std::getenv("HOME")) + "/heard.raw");
    ASSERT_TRUE(recording.recording());
    testing::runEvents(500);
    // Ten alerts two seconds apart: as at four, each stream is gone before the next sound.
    constexpr int plays = 10;
    for (int play = 0; play < plays; ++play) {
        (*voice)->play(1.0);
        testing::runEvents(2000);
    }
    // Two seconds after the last sound ended (its stream held for a second after it), none open.
    EXPECT_TRUE(sinkInputs().empty()) << sinkInputs();
    recording.stop();
    EXPECT_EQ(recording.soundsHeard(), plays);
}

}  // namespace
}  // namespace quorvel
