#include "platform/qt/DesktopUserIdleTime.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace quorvel {
namespace {

using Source = DesktopUserIdleTime::Source;

Source reading(std::optional<double> seconds, int* asked = nullptr) {
    return [seconds, asked] {
        if (asked != nullptr) ++*asked;
        return seconds;
    };
}

TEST(DesktopUserIdleTimeTests, TheXServerIsAskedFirstThenTheBusElseNothingIsIdle) {
    struct Case {
        const char* name;
        Source x11;
        Source bus;
        double expected;
    };
    const Case cases[] = {
        {"X answers", reading(42.5), reading(7), 42.5},
        {"X can't tell", reading(std::nullopt), reading(7), 7},
        {"no X display", Source{}, reading(7), 7},
        {"neither answers", reading(std::nullopt), reading(std::nullopt), 0},
        {"neither exists", Source{}, Source{}, 0},
    };
    for (const Case& c : cases) {
        DesktopUserIdleTime idle(c.x11, c.bus);
        EXPECT_EQ(idle.secondsSinceLastInput(), c.expected) << c.name;
    }
}

TEST(DesktopUserIdleTimeTests, TheBusIsNotAskedWhenTheXServerAnswers) {
    int busAsked = 0;
    DesktopUserIdleTime idle(reading(3), reading(9, &busAsked));
    EXPECT_EQ(idle.secondsSinceLastInput(), 3);
    EXPECT_EQ(busAsked, 0);
}

TEST(DesktopUserIdleTimeTests, ABusThatIsNotConnectedGivesNoSource) {
    EXPECT_FALSE(DesktopUserIdleTime::screenSaverSource(QDBusConnection(QStringLiteral("not connected"))));
}

}  // namespace
}  // namespace quorvel
