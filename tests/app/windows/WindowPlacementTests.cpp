#include "app/windows/hosting/WindowPlacement.hpp"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using namespace WindowPlacement;

const QRectF screen(0, 0, 1600, 1000);
const QRectF secondScreen(1600, 0, 1280, 1024);

TEST(WindowPlacementTest, AWindowStaysWhileItsInnerPartMeetsAScreen) {
    // 41 points still on screen: the inner part (40 in) overlaps by one point.
    EXPECT_TRUE(staysOnScreen(QRectF(1600 - 41, 100, 478, 600), {screen}));
    // Exactly 40 on screen: the inner part only touches the edge.
    EXPECT_FALSE(staysOnScreen(QRectF(1600 - 40, 100, 478, 600), {screen}));
    // Off to the top-left, past the inset.
    EXPECT_FALSE(staysOnScreen(QRectF(-478 + 30, -600 + 30, 478, 600), {screen}));
    // Any screen counts, in any order.
    EXPECT_TRUE(staysOnScreen(QRectF(2000, 300, 478, 600), {screen, secondScreen}));
    EXPECT_FALSE(staysOnScreen(QRectF(2000, 300, 478, 600), {screen}));
}

TEST(WindowPlacementTest, AWindowTooSmallToShrinkOrWithNoScreensNeverStays) {
    EXPECT_FALSE(staysOnScreen(QRectF(100, 100, 80, 300), {screen}));
    EXPECT_FALSE(staysOnScreen(QRectF(100, 100, 300, 60), {screen}));
    EXPECT_TRUE(staysOnScreen(QRectF(100, 100, 81, 81), {screen}));
    EXPECT_FALSE(staysOnScreen(QRectF(100, 100, 478, 600), {}));
    EXPECT_FALSE(staysOnScreen(QRectF(100, 100, 478, 600), {QRectF()}));
}

TEST(WindowPlacementTest, TheDeviceIsCentredAndTheStripSitsJustUnderTheTop) {
    const QRectF visible(0, 28, 1600, 972);  // a top bar of 28
    EXPECT_EQ(centred(QSizeF(478, 600), visible), QPointF(561, 214));
    EXPECT_EQ(topCentre(QSizeF(690, 140), visible), QPointF(455, 36));
}

TEST(WindowPlacementTest, AShowMovesAWindowOnlyWhenItHasDriftedOff) {
    const QRectF onScreen(200, 200, 478, 600);
    const QRectF gone(4000, 200, 478, 600);
    EXPECT_EQ(deviceShowPlace(onScreen, {screen}, screen), std::nullopt);
    EXPECT_EQ(stripShowPlace(onScreen, {screen}, screen), std::nullopt);
    EXPECT_EQ(deviceShowPlace(gone, {screen}, screen), std::optional<QPointF>(QPointF(561, 200)));
    EXPECT_EQ(stripShowPlace(gone, {screen}, screen), std::optional<QPointF>(QPointF(561, 8)));
    // Without a main screen there is nowhere better: it stays.
    EXPECT_EQ(stripShowPlace(gone, {}, std::nullopt), std::nullopt);
}

TEST(WindowPlacementTest, EveryPlaceLiesInsideTheScreenAndATallWindowKeepsItsTopInReach) {
    const QRectF laptop(0, 0, 1366, 768);
    // The device (486 x 858) on a laptop: its top at the top of the screen, not 45 above it.
    EXPECT_EQ(centred(QSizeF(486, 858), laptop), QPointF(440, 0));
    EXPECT_EQ(topCentre(QSizeF(690, 900), laptop), QPointF(338, 0));
    EXPECT_EQ(inside(QRectF(1200, 700, 300, 200), laptop), QPointF(1066, 568));
    EXPECT_EQ(inside(QRectF(-50, -20, 300, 200), laptop), QPointF(0, 0));
    EXPECT_EQ(inside(QRectF(100, 300, 520, 900), laptop), QPointF(100, 0));
    EXPECT_EQ(inside(QRectF(100, 300, 1500, 200), laptop), QPointF(0, 300));
    EXPECT_EQ(inside(QRectF(10, 20, 300, 200), laptop.translated(0, 28)), QPointF(10, 28));

    // Taller than the screen with its header above it: the top edge comes back to the top,
    // where it was across; with its top on the screen it is left alone.
    EXPECT_EQ(deviceShowPlace(QRectF(100, -120, 486, 858), {laptop}, laptop), std::optional<QPointF>(QPointF(100, 0)));
    EXPECT_EQ(deviceShowPlace(QRectF(1000, -120, 486, 858), {laptop}, laptop),
              std::optional<QPointF>(QPointF(1000, 0)));
    EXPECT_EQ(deviceShowPlace(QRectF(100, 0, 486, 858), {laptop}, laptop), std::nullopt);
    EXPECT_EQ(deviceShowPlace(QRectF(100, 40, 486, 858), {laptop}, laptop), std::nullopt);
}

TEST(WindowPlacementTest, AWindowTheUserPutPartlyOffTheScreenStaysThere) {
    const QRectF laptop(0, 0, 1366, 768);
    // Straddling two screens.
    EXPECT_EQ(stripShowPlace(QRectF(1300, 100, 690, 140), {screen, secondScreen}, screen), std::nullopt);
    EXPECT_EQ(deviceShowPlace(QRectF(1300, 100, 486, 768), {screen, secondScreen}, screen), std::nullopt);
    // Tucked at the right, the bottom, the left and the top edge, with more than the inset left
    // on the screen.
    EXPECT_EQ(deviceShowPlace(QRectF(1366 - 100, 100, 440, 768), {laptop}, laptop), std::nullopt);
    EXPECT_EQ(deviceShowPlace(QRectF(300, 768 - 100, 440, 768), {laptop}, laptop), std::nullopt);
    EXPECT_EQ(stripShowPlace(QRectF(-500, 300, 690, 140), {laptop}, laptop), std::nullopt);
    EXPECT_EQ(stripShowPlace(QRectF(300, -90, 690, 140), {laptop}, laptop), std::nullopt);
    // Pushed past the inset: back to the first spot, inside the main screen.
    EXPECT_EQ(deviceShowPlace(QRectF(1366 - 40, 100, 440, 768), {laptop}, laptop),
              std::optional<QPointF>(QPointF(463, 0)));
    EXPECT_EQ(stripShowPlace(QRectF(300, -100, 690, 140), {laptop}, laptop), std::optional<QPointF>(QPointF(338, 8)));
}

TEST(WindowPlacementTest, TheDeviceIsScaledDownToALowScreenAndNeverUp) {
    const QSizeF device(486, 858);
    EXPECT_DOUBLE_EQ(scaleToFit(device, QRectF(0, 0, 1366, 768)), 768.0 / 858);
    EXPECT_DOUBLE_EQ(scaleToFit(device, QRectF(0, 27, 1366, 741)), 741.0 / 858);
    EXPECT_EQ(scaleToFit(device, QRectF(0, 0, 1920, 1080)), 1);
    EXPECT_EQ(scaleToFit(device, QRectF(0, 0, 1920, 858)), 1);
    EXPECT_EQ(scaleToFit(device, QRectF()), 1);
    EXPECT_EQ(scaleToFit(QSizeF(), QRectF(0, 0, 1366, 768)), 1);

    // The screen a window is mostly on decides.
    EXPECT_EQ(mostOverlapped(QRectF(1500, 0, 486, 858), {screen, secondScreen}), secondScreen);
    EXPECT_EQ(mostOverlapped(QRectF(1200, 0, 486, 858), {screen, secondScreen}), screen);
    EXPECT_EQ(mostOverlapped(QRectF(5000, 0, 486, 858), {screen, secondScreen}), std::nullopt);
}

}  // namespace
}  // namespace quorvel
