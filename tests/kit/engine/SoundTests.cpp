// The sounds' list in code agrees with the enumeration the build reads for the sound files.
#include "kit/engine/Sound.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quorvel {
namespace {

TEST(Sound, EveryCaseIsInAllSoundsInOrderAndNamedAsTheBuildNamesItsFile) {
    std::string names;
    for (Sound sound : allSounds) {
        if (!names.empty()) names += " ";
        names += rawValue(sound);
        EXPECT_EQ(soundFromRawValue(rawValue(sound)), sound) << rawValue(sound);
        EXPECT_EQ(fileName(sound), std::string(rawValue(sound)) + ".caf");
    }
    // A case added after the last one without moving `soundCount` would be missing here.
    EXPECT_EQ(names, QUORVEL_SOUND_NAMES);
}

}  // namespace
}  // namespace quorvel
