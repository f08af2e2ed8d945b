#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kit/sound/CafReader.hpp"
#include "kit/sound/CafWriter.hpp"
#include "kit/sound/Chiptune.hpp"

namespace quorvel {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string result;
    for (int value : values) result.push_back(static_cast<char>(value));
    return result;
}

const std::vector<std::int16_t> tinySamples{0, 0x0102, -2};

// The file of the three samples above, byte for byte.
const std::string tinyFile =
    "caff" + bytes({0, 1, 0, 0}) +                                      // version 1, flags 0
    "desc" + bytes({0, 0, 0, 0, 0, 0, 0, 32}) +                         // 32-byte chunk
    bytes({0x40, 0xD5, 0x88, 0x80, 0, 0, 0, 0}) +                       // 22,050.0
    "lpcm" + bytes({0, 0, 0, 2}) +                                      // little-endian integer
    bytes({0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 16}) +          // 2 B/packet, 1 frame, mono, 16 bit
    "data" + bytes({0, 0, 0, 0, 0, 0, 0, 10}) +                         // edit count + 6 bytes
    bytes({0, 0, 0, 0}) +                                               // edit count 0
    bytes({0x00, 0x00, 0x02, 0x01, 0xFE, 0xFF});                        // little-endian samples

TEST(Caf, WritesTheExactBytes) {
    EXPECT_EQ(caf::encode(tinySamples), tinyFile);
    EXPECT_EQ(caf::encode({}).size(), 68u);
}

TEST(Caf, ReadsWhatItWrites) {
    auto decoded = caf::decode(tinyFile);
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(*decoded, tinySamples);

    const auto alarm = Chiptune::samples(Sound::alarm, 0.8);
    auto alarmBack = caf::decode(caf::encode(alarm));
    ASSERT_TRUE(alarmBack);
    EXPECT_EQ(*alarmBack, alarm);

    auto empty = caf::decode(caf::encode({}));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(Caf, SkipsChunksItDoesNotNeed) {
    std::string withExtra = tinyFile;
    withExtra.insert(52, "free" + bytes({0, 0, 0, 0, 0, 0, 0, 3}) + "abc");
    withExtra += "info" + bytes({0, 0, 0, 0, 0, 0, 0, 0});
    auto decoded = caf::decode(withExtra);
    ASSERT_TRUE(decoded) << decoded.error().message;
    EXPECT_EQ(*decoded, tinySamples);
}

TEST(Caf, RefusesEveryCutOfAFile) {
    // Any prefix of a file misses a header, a chunk or part of its data.
    for (std::size_t length = 0; length < tinyFile.size(); ++length) {
        auto decoded = caf::decode(std::string_view(tinyFile).substr(0, length));
        EXPECT_FALSE(decoded) << "length " << length;
    }
    auto cut = caf::decode(std::string_view(tinyFile).substr(0, tinyFile.size() - 1));
    ASSERT_FALSE(cut);
    EXPECT_EQ(cut.error().message, "Not a readable sound file: the file is cut short");
}

TEST(Caf, RefusesOtherFilesAndFormats) {
    auto patched = [](std::size_t offset, std::string replacement) {
        std::string file = tinyFile;
        file.replace(offset, replacement.size(), replacement);
        return file;
    };
    struct Case {
        std::string name;
        std::string file;
        std::string message;
    } cases[] = {
        {"wave file", "RIFF" + tinyFile.substr(4), "Not a readable sound file: it is not a Core Audio Format file"},
        {"version 2", patched(4, bytes({0, 2})), "Not a readable sound file: unknown file version"},
        {"float samples", patched(32, bytes({0, 0, 0, 3})), "Unsupported sound format: not little-endian integer samples"},
        {"big-endian samples", patched(32, bytes({0, 0, 0, 0})), "Unsupported sound format: not little-endian integer samples"},
        {"44.1 kHz", patched(20, bytes({0x40, 0xE5, 0x88, 0x80})), "Unsupported sound format: not 22,050 samples per second"},
        {"compressed", patched(28, "aac "), "Unsupported sound format: not linear PCM"},
        {"stereo", patched(44, bytes({0, 0, 0, 2})), "Unsupported sound format: not mono"},
        {"8-bit", patched(48, bytes({0, 0, 0, 8})), "Unsupported sound format: not 16-bit"},
        {"data before desc", tinyFile.substr(0, 8) + tinyFile.substr(52), "Not a readable sound file: the audio description is missing"},
        {"no data", tinyFile.substr(0, 52), "Not a readable sound file: it holds no audio data"},
        {"odd data", tinyFile.substr(0, 63) + bytes({9}) + tinyFile.substr(64, 9),
         "Not a readable sound file: the audio data is damaged"},
        {"unknown size", patched(56, bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})),
         "Not a readable sound file: a chunk of unknown size"},
        {"two data chunks", tinyFile + tinyFile.substr(52), "Not a readable sound file: a second data chunk"},
    };
    for (const Case& c : cases) {
        auto decoded = caf::decode(c.file);
        ASSERT_FALSE(decoded) << c.name;
        EXPECT_EQ(decoded.error().message, c.message) << c.name;
    }
}

TEST(Caf, ReportsAMissingFile) {
    auto read = caf::readFile("/nonexistent/quorvel/sound.caf");
    ASSERT_FALSE(read);
    EXPECT_NE(read.error().message.find("/nonexistent/quorvel/sound.caf"), std::string::npos);
}

}  // namespace
}  // namespace quorvel
