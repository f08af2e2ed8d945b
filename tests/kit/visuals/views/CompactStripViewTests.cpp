// The compact strip as a user meets it: a rack unit of fixed size, the keys it has, what a click
// on each does, and the window key of its ear.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/HideKey.hpp"
#include "kit/visuals/views/strip/CompactStripView.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel::testing {
namespace {

const Instant now = Instant::fromUnixSeconds(1'800'000'000);

struct Calls {
    int eject = 0, edit = 0, hide = 0, expand = 0;
};

CompactStripView strip(const std::string& sample, Calls& calls, bool withExpand = true) {
    CompactStripView::Actions actions;
    actions.onEject = [&] { ++calls.eject; };
    actions.onEdit = [&] { ++calls.edit; };
    actions.onHide = [&] { ++calls.hide; };
    if (withExpand) actions.onExpand = [&] { ++calls.expand; };
    return CompactStripView(DeviceSamples::display(sample, now), actions, std::nullopt, FaceMoment::still(now));
}

void click(const CompactStripView& view, QPointF point, CompactStripView::State& state) {
    view.press(point, state);
    view.release(point, state);
}

TEST(CompactStripView, IsARackUnitWithItsKeysWhereTheyBelong) {
    Calls calls;
    CompactStripView::State state;
    EXPECT_EQ(CompactStripView::size(), QSizeF(4 + 660 + 14 + 4, 4 + 124 + 9 + 24));
    const CompactStripView::Layout parts = CompactStripView::layout();
    EXPECT_EQ(parts.face, QRectF(4, 13, 660, 124));
    EXPECT_DOUBLE_EQ(parts.screen.height(), 92);
    EXPECT_DOUBLE_EQ(parts.seenIt.width(), 98);
    EXPECT_LT(parts.screen.right(), parts.seenIt.left());

    // The left ear carries two slots and is no control at all.
    EXPECT_FALSE(strip("idle", calls).leftEar().isAccessible());

    // An idle display: SEEN IT takes no click; EDIT always does.
    click(strip("idle", calls), parts.seenIt.center(), state);
    click(strip("idle", calls), parts.edit.center(), state);
    EXPECT_EQ(calls.eject, 0);
    EXPECT_EQ(calls.edit, 1);
    click(strip("broke", calls), parts.seenIt.center(), state);
    EXPECT_EQ(calls.eject, 1);
}

TEST(CompactStripView, SeenItTurnsRedForFailuresOnly) {
    Calls calls;
    EXPECT_EQ(strip("broke", calls).seenItStyle().fill, Tokens::broke);
    EXPECT_EQ(strip("crashed", calls).seenItStyle().fill, Tokens::broke);
    EXPECT_EQ(strip("muted", calls).seenItStyle().fill, Tokens::acid);
    EXPECT_EQ(strip("done", calls).seenItStyle().fill, Tokens::acid);
    EXPECT_EQ(CompactStripView::editStyle().fill, Tokens::panel);
}

TEST(CompactStripView, TheRightEarHidesOnTopAndExpandsBelowOnlyWhenOffered) {
    Calls calls;
    CompactStripView::State state;
    const CompactStripView view = strip("idle", calls);
    const RackEar::Layout ear = view.rightEar().layout(CompactStripView::layout().rightEar.plate.topLeft());
    const QPointF hide = ear.top.topLeft() + QPointF(10, 10);
    const QPointF expand = ear.bottom.topLeft() + QPointF(10, 10);
    EXPECT_LT(ear.top.bottom(), ear.bottom.top());
    click(view, hide, state);
    click(view, expand, state);
    EXPECT_EQ(calls.hide, 1);
    EXPECT_EQ(calls.expand, 1);
    EXPECT_EQ(view.toolTip(expand, HideKey::Recall::tray), QStringLiteral("Swap for the full device."));
    EXPECT_EQ(view.toolTip(hide, HideKey::Recall::launcher),
              QStringLiteral("Hide this window. Bring it back from the launcher, or by running quorvel again."));

    const CompactStripView lone = strip("idle", calls, false);
    EXPECT_FALSE(lone.rightEar().hasExpand);
    const RackEar::Layout slotEar = lone.rightEar().layout(CompactStripView::layout().rightEar.plate.topLeft());
    EXPECT_EQ(slotEar.bottom.size(), QSizeF(14, 8));
    click(lone, expand, state);
    EXPECT_EQ(calls.expand, 1);
    // Padding: 10 points with a hide key, 16 without.
    EXPECT_DOUBLE_EQ(ear.top.top() - ear.plate.top(), 10);
    const RackEar left = lone.leftEar();
    EXPECT_DOUBLE_EQ(left.layout(QPointF(0, 0)).top.top(), 16);
}

TEST(CompactStripView, ListsItsKeysAsDrawnAndPressesThem) {
    Calls calls;
    CompactStripView::State state;
    const CompactStripView::Layout parts = CompactStripView::layout();
    const std::vector<AccessibleControl> keys = strip("broke", calls).accessibleControls(state);
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].name, QStringLiteral("SEEN IT"));
    EXPECT_EQ(keys[0].rect, parts.seenIt);
    EXPECT_EQ(keys[1].name, QStringLiteral("EDIT"));
    EXPECT_EQ(keys[2].name, QStringLiteral("Hide"));
    EXPECT_EQ(keys[3].name, QStringLiteral("Full device"));
    for (const AccessibleControl& key : keys) key.press();
    EXPECT_EQ(calls.eject + calls.edit + calls.hide + calls.expand, 4);

    // Nothing to acknowledge, and no expand offered.
    const std::vector<AccessibleControl> lone = strip("idle", calls, false).accessibleControls(state);
    ASSERT_EQ(lone.size(), 3u);
    EXPECT_FALSE(lone[0].enabled);
    EXPECT_FALSE(lone[0].press);
}

TEST(CompactStripView, AFrozenTimeDrawsNoOverlay) {
    Calls calls;
    CompactStripView view = strip("done", calls);
    view.frozenAt = 60;
    EXPECT_TRUE(view.clock().finished);
    EXPECT_EQ(view.clock().motion, MascotMotion::done);
}

TEST(HideKey, DrawsItsGlyphsAtTheKeysSizeAndLightensWhileHovered) {
    const HideKey small{20, HideKey::Glyph::device, false};
    EXPECT_DOUBLE_EQ(small.barLength(), 10);
    EXPECT_DOUBLE_EQ(small.deviceCircleDiameter(), 12);
    EXPECT_EQ(small.layoutSize(), QSizeF(20, 22));
    EXPECT_TRUE(small.contains(QPointF(0, 0), QPointF(10, 10)));
    EXPECT_FALSE(small.contains(QPointF(0, 0), QPointF(1, 1)));

    auto capAndGlyph = [](bool hovering) {
        PaintedImage image(QSizeF(40, 40), 2);
        image.paint([&](QPainter& painter) { HideKey{28, HideKey::Glyph::strip, hovering}.paint(painter, QPointF(6, 6)); });
        // A point on the cap away from the glyph, and one on the upper bar.
        return std::pair{image.at(6 + 14, 6 + 5), image.at(6 + 14, 6 + 14 - 2.5)};
    };
    const auto [restCap, restGlyph] = capAndGlyph(false);
    const auto [hoverCap, hoverGlyph] = capAndGlyph(true);
    EXPECT_NE(restCap, hoverCap);
    EXPECT_EQ(restGlyph.rgba(), testing::opaque(0x9A9CA1));
    EXPECT_EQ(hoverGlyph.rgba(), testing::opaque(0xF4F3EE));
    EXPECT_EQ(HideKey::accessibilityLabel(HideKey::Glyph::strip), QStringLiteral("Compact strip"));
}

}  // namespace
}  // namespace quorvel::testing
