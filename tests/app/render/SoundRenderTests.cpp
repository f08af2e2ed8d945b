#include "app/render/SoundRender.hpp"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "kit/sound/CafReader.hpp"
#include "kit/sound/Chiptune.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

TEST(SoundRenderVolume, ReadsOnlyAWholeFiniteDecimalNumber) {
    struct Case {
        const char* text;
        double volume;
    } cases[] = {
        {"1", 1.0},       {"0.5", 0.5},     {".25", 0.25},   {"2", 2.0},     {"-0.3", -0.3},
        {"+1.5", 1.5},    {"1e-1", 0.1},    {"0", 0.0},
        {"loud", 0.8},    {"", 0.8},        {" 1", 0.8},     {"1 ", 0.8},    {"1,5", 0.8},
        {"0x1p0", 0.8},   {"+", 0.8},       {"+-1", 0.8},
        // Numbers that read but can't be rendered.
        {"nan", 0.8},     {"NaN", 0.8},     {"inf", 0.8},    {"-inf", 0.8},  {"infinity", 0.8},
        {"1e999", 0.8},   {"-1e999", 0.8},
    };
    for (const Case& c : cases) EXPECT_EQ(SoundRender::volumeArgument(c.text), c.volume) << '"' << c.text << '"';
}

class SoundRenderTest : public ::testing::Test {
protected:
    std::optional<int> run(std::vector<std::string> arguments) {
        errors_.str("");
        return SoundRender::renderIfRequested(arguments, errors_);
    }

    // The samples in the folder's file for `sound`, which must read.
    std::vector<std::int16_t> samplesIn(const std::filesystem::path& folder, Sound sound) {
        auto samples = caf::readFile((folder / fileName(sound)).string());
        EXPECT_TRUE(samples) << (samples ? "" : samples.error().message);
        return samples ? *samples : std::vector<std::int16_t>{};
    }

    testing::TemporaryFolder temporary_;
    const std::filesystem::path root_ = temporary_.path();
    std::ostringstream errors_;
};

TEST_F(SoundRenderTest, DoesNothingUnlessAskedWithAFolder) {
    EXPECT_EQ(run({}), std::nullopt);
    EXPECT_EQ(run({"--render", "device", "x.png"}), std::nullopt);
    EXPECT_EQ(run({"--render-sounds"}), std::nullopt);
    EXPECT_EQ(run({"-v", "--render-sounds"}), std::nullopt);
    EXPECT_EQ(errors_.str(), "");
}

TEST_F(SoundRenderTest, WritesTheFiveSoundsAtTheDefaultVolumeOverEarlierFiles) {
    const auto folder = root_ / "new" / "sounds";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "fanfare.caf") << "not a sound";
    EXPECT_EQ(run({"--render-sounds", folder.string()}), 0);
    EXPECT_EQ(errors_.str(), "");
    for (Sound sound : allSounds) {
        EXPECT_EQ(samplesIn(folder, sound), Chiptune::samples(sound, 0.8)) << rawValue(sound);
    }
    EXPECT_EQ(samplesIn(folder, Sound::alarm).size(), 20511u);
    EXPECT_EQ(samplesIn(folder, Sound::tick).size(), 662u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 5);
}

TEST_F(SoundRenderTest, TakesTheVolumeAfterTheFolder) {
    struct Case {
        const char* argument;
        double volume;
    } cases[] = {{"1", 1.0}, {"loud", 0.8}, {"nan", 0.8}, {"1e999", 0.8}, {"0.3", 0.3}};
    for (const Case& c : cases) {
        const auto folder = root_ / c.argument;
        EXPECT_EQ(run({"--other", "--render-sounds", folder.string(), c.argument}), 0) << c.argument;
        EXPECT_EQ(samplesIn(folder, Sound::buzz), Chiptune::samples(Sound::buzz, c.volume)) << c.argument;
    }
}

TEST_F(SoundRenderTest, AFolderThatCannotBeMadeFailsWithOneLine) {
    std::ofstream(root_ / "plain-file") << "in the way";
    const auto folder = root_ / "plain-file" / "sounds";
    EXPECT_EQ(run({"--render-sounds", folder.string()}), 1);
    const std::string message = errors_.str();
    EXPECT_EQ(message.rfind("render-sounds failed: ", 0), 0u) << message;
    EXPECT_EQ(message.find('\n'), message.size() - 1) << message;
    EXPECT_NE(message.find("plain-file"), std::string::npos) << message;
}

TEST_F(SoundRenderTest, StopsAtTheFirstFileThatCannotBeWrittenAndKeepsTheEarlierOnes) {
    const auto folder = root_ / "sounds";
    std::filesystem::create_directories(folder / "buzz.caf" / "occupied");
    EXPECT_EQ(run({"--render-sounds", folder.string()}), 1);
    EXPECT_EQ(errors_.str().rfind("render-sounds failed: ", 0), 0u) << errors_.str();
    EXPECT_EQ(samplesIn(folder, Sound::fanfare).size(), 20288u);
    EXPECT_EQ(samplesIn(folder, Sound::alarm).size(), 20511u);
    EXPECT_FALSE(std::filesystem::exists(folder / "powerdown.caf"));
    EXPECT_FALSE(std::filesystem::exists(folder / "tick.caf"));
}

}  // namespace
}  // namespace quorvel
