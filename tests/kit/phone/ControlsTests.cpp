// The settings controls: steppers stop at their bounds without overflowing, toggles latch.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "kit/phone/StepperKeys.hpp"
#include "kit/phone/ToggleKey.hpp"

namespace quorvel {
namespace {

StepperKeys stepper(std::int64_t value, std::int64_t lower, std::int64_t upper, std::int64_t step) {
    return StepperKeys{value, lower, upper, step, [](std::int64_t v) { return plainNumber(v) + " min"; }};
}

TEST(StepperKeysTests, StepsClampToTheBoundsAndDisableTheKeyThere) {
    StepperKeys keys = stepper(9, 0, 10, 3);
    EXPECT_TRUE(keys.plusEnabled());
    EXPECT_EQ(keys.incremented(), 10);
    keys.value = 10;
    EXPECT_FALSE(keys.plusEnabled());
    EXPECT_EQ(keys.incremented(), 10) << "a disabled key changes nothing";
    EXPECT_EQ(keys.decremented(), 7);
    keys.value = 2;
    EXPECT_EQ(keys.decremented(), 0);
    keys.value = 0;
    EXPECT_FALSE(keys.minusEnabled());
    EXPECT_TRUE(keys.plusEnabled());
    EXPECT_EQ(keys.decremented(), 0);
}

TEST(StepperKeysTests, ValuesOutsideTheRangeAndDegenerateRanges) {
    // A stored value outside the range is shown as it is; the key away from the range stays
    // off, the key towards it moves one step, which may still land outside.
    StepperKeys below = stepper(-20, 0, 10, 3);
    EXPECT_EQ(below.valueText(), "-20 min");
    EXPECT_FALSE(below.minusEnabled());
    EXPECT_EQ(below.incremented(), -17);
    StepperKeys above = stepper(50, 0, 10, 3);
    EXPECT_EQ(above.valueText(), "50 min");
    EXPECT_FALSE(above.plusEnabled());
    EXPECT_EQ(above.decremented(), 47);
    EXPECT_EQ(stepper(11, 0, 10, 5).decremented(), 6) << "a step that lands inside stays a step";
    EXPECT_EQ(stepper(-1, 0, 10, 5).incremented(), 4);
    // One value: both off.
    StepperKeys single = stepper(5, 5, 5, 1);
    EXPECT_FALSE(single.minusEnabled());
    EXPECT_FALSE(single.plusEnabled());
    // Lower above upper: both off, whatever the value.
    for (std::int64_t value : {0, 5, 8, 12}) {
        StepperKeys inverted = stepper(value, 10, 3, 1);
        EXPECT_FALSE(inverted.minusEnabled()) << value;
        EXPECT_FALSE(inverted.plusEnabled()) << value;
        EXPECT_EQ(inverted.incremented(), value);
        EXPECT_EQ(inverted.decremented(), value);
    }
}

TEST(StepperKeysTests, StepsPastTheIntegerRangeSaturateAtTheBound) {
    constexpr std::int64_t most = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t least = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(stepper(most - 1, 0, most, most).incremented(), most);
    EXPECT_EQ(stepper(least + 1, least, 0, most).decremented(), least);
    EXPECT_EQ(stepper(0, least, most, most).incremented(), most);
    EXPECT_EQ(stepper(-5, least, most, most).decremented(), least);
}

TEST(StepperKeysTests, TheFormatGivesTheShownText) {
    EXPECT_EQ(stepper(10, 1, 120, 1).valueText(), "10 min");
    EXPECT_EQ(plainNumber(5), "5");
    EXPECT_EQ(plainNumber(1000), "1000");
    EXPECT_EQ(hourOfDay(7), "07:00");
    EXPECT_EQ(hourOfDay(23), "23:00");
    EXPECT_EQ(hourOfDay(0), "00:00");
    // Without a format the bare number shows.
    EXPECT_EQ((StepperKeys{55, 0, 100, 10, {}}).valueText(), "55");
    EXPECT_STREQ(StepperKeys::minusLegend, "\xE2\x88\x92");
}

TEST(StepperKeysTests, TheValueKeepsItsPlaceBetweenTheKeys) {
    // Digits are tabular, so every two-digit value is equally wide, and narrow values keep 64.
    const StepperKeys narrow{1, 0, 99, 1, {}};
    const StepperKeys wide{88, 0, 99, 1, {}};
    EXPECT_EQ(narrow.layout().value.width(), 64);
    EXPECT_EQ(StepperKeys({11, 0, 99, 1, [](std::int64_t v) { return plainNumber(v) + "0000"; }}).layout().size,
              StepperKeys({88, 0, 99, 1, [](std::int64_t v) { return plainNumber(v) + "0000"; }}).layout().size);
    EXPECT_EQ(wide.layout().minus.left(), 0);
    EXPECT_EQ(wide.layout().value.left(), wide.layout().minus.right() + 6);
    EXPECT_EQ(wide.layout().plus.left(), wide.layout().value.right() + 6);
}

TEST(ToggleKeyTests, ATapFlipsTheFlagAndTheLegendAndValueFollow) {
    const ToggleKey off{false};
    EXPECT_TRUE(off.toggled());
    EXPECT_EQ(off.legend(), "OFF");
    EXPECT_EQ(off.accessibilityValue(), "off");
    const ToggleKey on{true};
    EXPECT_FALSE(on.toggled());
    EXPECT_EQ(on.legend(), "ON");
    EXPECT_EQ(on.accessibilityValue(), "on");
    EXPECT_EQ(ToggleKey::size(), QSizeF(58, 40));
    EXPECT_EQ(ToggleKey::faceRect(QRectF(0, 0, 58, 40)), QRectF(0, 5, 58, 27));
}

}  // namespace
}  // namespace quorvel
