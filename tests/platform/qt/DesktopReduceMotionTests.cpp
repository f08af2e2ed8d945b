// Reduce motion: the desktop portal's "enable-animations" read as the user's wish, and the
// observers of a setting that changes.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusVariant>
#include <vector>

#include "platform/desktop/ReduceMotion.hpp"
#include "platform/qt/DesktopReduceMotion.hpp"

namespace quorvel {
namespace {

TEST(DesktopReduceMotion, OnlyAnimationsTurnedOffReduceMotion) {
    EXPECT_TRUE(DesktopReduceMotion::reducesMotion(QVariant(false)));
    EXPECT_FALSE(DesktopReduceMotion::reducesMotion(QVariant(true)));
    // The portal's Read wraps the value once more.
    EXPECT_TRUE(DesktopReduceMotion::reducesMotion(QVariant::fromValue(QDBusVariant(QVariant(false)))));
    EXPECT_TRUE(DesktopReduceMotion::reducesMotion(
        QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(false)))))));
    // Anything but a Boolean leaves motion as it is.
    EXPECT_FALSE(DesktopReduceMotion::reducesMotion(QVariant(QStringLiteral("false"))));
    EXPECT_FALSE(DesktopReduceMotion::reducesMotion(QVariant(0)));
    EXPECT_FALSE(DesktopReduceMotion::reducesMotion(QVariant()));
}

TEST(DesktopReduceMotion, WithoutABusMotionStaysOn) {
    const DesktopReduceMotion setting(QDBusConnection(QStringLiteral("no-such-connection")));
    EXPECT_FALSE(setting.isOn());
}

TEST(FixedReduceMotion, EveryObserverHearsEachChangeUntilRemoved) {
    FixedReduceMotion setting;
    std::vector<int> heard;
    const auto first = setting.addObserver([&] { heard.push_back(1); });
    std::size_t second = 0;
    // An observer that removes itself while being told.
    second = setting.addObserver([&] {
        heard.push_back(2);
        setting.removeObserver(second);
    });
    setting.set(true);
    setting.set(true);  // no change, no call
    setting.set(false);
    setting.removeObserver(first);
    setting.set(true);
    EXPECT_EQ(heard, (std::vector<int>{1, 2, 1}));
    EXPECT_TRUE(setting.isOn());
}

}  // namespace
}  // namespace quorvel
