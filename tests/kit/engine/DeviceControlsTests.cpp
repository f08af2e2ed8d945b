#include "kit/engine/DeviceControls.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(DeviceControls, DefaultsAndEncodingOrder) {
    const DeviceControls controls;
    EXPECT_EQ(controls, (DeviceControls{0.82, true, true, false}));
    EXPECT_EQ(json::dump(controls.encode()), R"({"volume":0.82,"claude":true,"shell":true,"failsOnly":false})");
    const DeviceControls changed{0.25, false, true, true};
    EXPECT_EQ(DeviceControls::decode(json::parse(json::dump(changed.encode()))), changed);
}

TEST(DeviceControls, StoredDataNeedsAllFourKeysOrGivesTheWholeDefault) {
    const std::vector<std::optional<std::string>> fallBack = {
        std::nullopt,
        R"({"volume":0.3,"claude":false,"shell":false})",
        R"({"volume":"0.3","claude":false,"shell":false,"failsOnly":true})",
        R"({"volume":0.3,"claude":false,"shell":false,"failsOnly":null})",
        "not json",
        "[]",
    };
    for (const auto& data : fallBack) {
        EXPECT_EQ(DeviceControls::fromStoredData(data), DeviceControls::standard()) << data.value_or("(none)");
    }
    EXPECT_EQ(DeviceControls::fromStoredData(R"({"failsOnly":true,"shell":false,"claude":false,"volume":0.3,"x":1})"),
              (DeviceControls{0.3, false, false, true}));
}

TEST(DeviceControls, StoredVolumeOutsideTheFaderIsClamped) {
    const std::vector<std::pair<std::string, double>> cases = {{"1.5", 1.0}, {"-0.2", 0.0}, {"1e308", 1.0}, {"0", 0.0},
                                                               {"1", 1.0}};
    for (const auto& [volume, expected] : cases) {
        const auto controls =
            DeviceControls::decode(json::parse(R"({"volume":)" + volume + R"(,"claude":true,"shell":true,"failsOnly":false})"));
        EXPECT_EQ(controls.volume, expected) << volume;
    }
}

}  // namespace
}  // namespace quorvel
