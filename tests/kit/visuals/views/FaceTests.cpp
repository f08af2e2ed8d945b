// The device as a user meets it: its fixed size, the keys that exist, what a click on each
// does, and the window keys of its header; and the design sheet's swatches.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/device/Header.hpp"
#include "kit/visuals/views/device/HideKey.hpp"
#include "kit/visuals/views/kit/DesignSheetView.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;

const Instant now = Instant::fromUnixSeconds(1'800'000'000);

struct Calls {
    int testAlarm = 0, eject = 0, hide = 0, compact = 0;
    std::vector<std::string> rows;
    std::vector<DeviceControls> changes, settled;
};

DeviceView::Actions deviceActions(Calls& calls, bool withCompact = true) {
    DeviceView::Actions actions;
    actions.onTestAlarm = [&] { ++calls.testAlarm; };
    actions.onEject = [&] { ++calls.eject; };
    actions.onHide = [&] { ++calls.hide; };
    if (withCompact) actions.onCompact = [&] { ++calls.compact; };
    actions.onRowTap = [&](const std::string& id) { calls.rows.push_back(id); };
    actions.onControlsChange = [&](const DeviceControls& controls) { calls.changes.push_back(controls); };
    actions.onControlsSettled = [&](const DeviceControls& controls) { calls.settled.push_back(controls); };
    return actions;
}

DeviceView device(const std::string& sample, Calls& calls, bool withCompact = true) {
    return DeviceView(DeviceSamples::display(sample, now), DeviceControls::standard(), deviceActions(calls, withCompact),
                      std::nullopt, FaceMoment::still(now));
}

void click(const DeviceView& view, QPointF point, DeviceView::State& state) {
    view.press(point, state);
    view.release(point, state);
}

TEST(DeviceView, HasOneFixedSizeWhateverTheSnapshot) {
    Calls calls;
    const QSizeF size = DeviceView::size();
    EXPECT_DOUBLE_EQ(size.width(), 4 + 460 + 18 + 4);
    EXPECT_EQ(size.height(), std::floor(size.height()));  // whole points
    const DeviceView::Layout parts = DeviceView::layout();
    EXPECT_EQ(parts.face, QRectF(4, 15, 460, DeviceView::faceHeight()));
    EXPECT_LE(parts.drive.bottom(), parts.face.bottom() - 22 + 1e-9);

    // Painting any sample stays inside the size: the corners keep the background.
    for (const std::string_view sample : DeviceSamples::names) {
        PaintedImage image(size, 1, Qt::white);
        const DeviceView view = device(std::string(sample), calls);
        image.paint([&](QPainter& painter) { view.paint(painter); });
        EXPECT_EQ(image.rgb(0.5, 0.5), qRgba(255, 255, 255, 255)) << sample;
        EXPECT_EQ(image.rgb(size.width() - 0.5, size.height() - 0.5), qRgba(255, 255, 255, 255)) << sample;
        EXPECT_EQ(image.rgb(parts.face.left() + 1, parts.face.center().y()), testing::opaque(0x0E0E0E)) << sample;
    }
}

TEST(DeviceView, SeenItActsOnlyWhenThereIsSomethingToAcknowledge) {
    Calls calls;
    DeviceView::State state;
    const QPointF seenIt = DeviceView::layout().controls.topLeft() +
                           device("idle", calls).controlPanel().layout(416).seenItKey.center();

    const DeviceView idle = device("idle", calls);
    ASSERT_FALSE(idle.display.acknowledgeable);
    EXPECT_EQ(idle.hitTest(seenIt), std::nullopt);
    click(idle, seenIt, state);
    EXPECT_EQ(calls.eject, 0);

    for (const char* sample : {"done", "needsyou", "broke", "crashed"}) {
        click(device(sample, calls), seenIt, state);
    }
    EXPECT_EQ(calls.eject, 4);
    EXPECT_TRUE(device("broke", calls).controlPanel().alarm);
    EXPECT_FALSE(device("muted", calls).controlPanel().alarm);
}

TEST(DeviceView, AKeyActsOnReleaseOverItselfOnly) {
    Calls calls;
    DeviceView::State state;
    const DeviceView view = device("done", calls);
    const DeviceView::Layout parts = DeviceView::layout();
    const QPointF testAlarm = parts.controls.topLeft() + view.controlPanel().layout(416).testAlarmKey.center();

    view.press(testAlarm, state);
    EXPECT_EQ(view.controlPanel().pressedKey, std::nullopt);  // the view drawn before the press
    DeviceView held = view;
    held.state = state;
    EXPECT_EQ(held.controlPanel().pressedKey, ControlsTarget::testAlarmKey);
    view.drag(QPointF(1, 1), state);
    view.release(QPointF(1, 1), state);
    EXPECT_EQ(calls.testAlarm, 0);

    click(view, testAlarm, state);
    EXPECT_EQ(calls.testAlarm, 1);
}

TEST(DeviceView, TheHeaderKeysHideOrSwapAndTheCompactKeyNeedsAnAction) {
    Calls calls;
    DeviceView::State state;
    const DeviceView view = device("idle", calls);
    const Header::Layout keys = view.headerLayout();
    ASSERT_TRUE(keys.compactKey);
    EXPECT_LT(keys.compactKey->right(), keys.hideKey.left());
    click(view, keys.hideKey.topLeft() + QPointF(14, 14), state);
    click(view, keys.compactKey->topLeft() + QPointF(14, 14), state);
    EXPECT_EQ(calls.hide, 1);
    EXPECT_EQ(calls.compact, 1);
    const QPointF onHide = keys.hideKey.topLeft() + QPointF(14, 14);
    EXPECT_EQ(view.toolTip(onHide, HideKey::Recall::tray), QStringLiteral("Hide this window. Bring it back from the tray."));
    EXPECT_EQ(view.toolTip(onHide, HideKey::Recall::launcher),
              QStringLiteral("Hide this window. Bring it back from the launcher, or by running quorvel again."));

    // Without an action the header ends with the hide key alone, at the same place.
    const DeviceView lone = device("idle", calls, false);
    const Header::Layout loneKeys = lone.headerLayout();
    EXPECT_FALSE(loneKeys.compactKey);
    EXPECT_EQ(loneKeys.hideKey, keys.hideKey);
    EXPECT_EQ(lone.hitTest(keys.compactKey->topLeft() + QPointF(14, 14)), std::nullopt);
    // A key takes clicks on its round cap only.
    EXPECT_EQ(view.hitTest(keys.hideKey.topLeft() + QPointF(1, 1)), std::nullopt);
}

// The header row stands right under the face's padding; what is painted there, what takes the
// pointer and what assistive tools are told sit at the same place.
TEST(DeviceView, TheHeaderCentresItsItemsOnItsRowWhereItIsPaintedHitAndRead) {
    Calls calls;
    DeviceView::State state;
    const DeviceView view = device("idle", calls);
    const DeviceView::Layout parts = DeviceView::layout();
    const Header::Layout header = view.headerLayout();
    EXPECT_DOUBLE_EQ(parts.header.top(), parts.face.top() + DeviceView::facePadding);
    EXPECT_DOUBLE_EQ(parts.screen.top(), parts.header.bottom() + DeviceView::stackSpacing);
    for (const QRectF& item : {header.mascot, header.grille, QRectF(header.hideKey.topLeft(), QSizeF(28, 28))}) {
        EXPECT_NEAR(item.center().y(), parts.header.center().y(), 1.01);
    }
    // Its tallest item fills the row.
    EXPECT_DOUBLE_EQ(header.logo.top(), parts.header.top());
    EXPECT_NEAR(header.label.bottom(), parts.header.bottom(), 1e-9);

    const std::vector<AccessibleControl> controls = view.accessibleControls(state);
    ASSERT_GE(controls.size(), 2u);
    EXPECT_EQ(controls[0].name, QStringLiteral("Compact strip"));
    EXPECT_EQ(controls[1].name, QStringLiteral("Hide"));
    EXPECT_EQ(controls[1].rect, header.hideKey);
    EXPECT_EQ(view.hitTest(controls[1].rect.topLeft() + QPointF(14, 14)),
              (DeviceTarget{DeviceTarget::Kind::headerKey, Header::Key::hide, {}, {}}));

    // The mascot is painted inside its laid-out box (a whole paint, scale 1).
    PaintedImage picture(DeviceView::size(), 1);
    picture.paint([&](QPainter& painter) { view.paint(painter); });
    const QColor white = drawing::toQColor(Tokens::mascotWhite);
    int top = -1, bottom = -1;
    for (int y = static_cast<int>(parts.header.top()); y < static_cast<int>(parts.header.bottom()) + 16; ++y) {
        for (int x = static_cast<int>(header.mascot.left()); x < static_cast<int>(header.mascot.right()); ++x) {
            if (picture.image().pixelColor(x, y) != white) continue;
            if (top < 0) top = y;
            bottom = y;
        }
    }
    ASSERT_GE(top, 0);
    EXPECT_GE(top, header.mascot.top() - 1);
    EXPECT_LE(bottom + 1, header.mascot.bottom() + 1);
}

TEST(DeviceView, ListsItsControlsWithTheLabelsItDrawsAndPressesThem) {
    Calls calls;
    DeviceView::State state;
    const DeviceView view = device("done", calls);
    const std::vector<AccessibleControl> controls = view.accessibleControls(state);
    std::vector<QString> names;
    for (const AccessibleControl& control : controls) names.push_back(control.name);
    const auto at = [&](const QString& name) -> const AccessibleControl& {
        const auto found = std::find(names.begin(), names.end(), name);
        EXPECT_NE(found, names.end()) << name.toStdString();
        return controls.at(static_cast<std::size_t>(found - names.begin()));
    };
    const std::vector<QString> panel{QStringLiteral("Volume"), QStringLiteral("CLAUDE"), QStringLiteral("SHELL"),
                                     QStringLiteral("FAILS ONLY"), QStringLiteral("TEST THE ALARM"),
                                     QStringLiteral("SEEN IT")};
    ASSERT_GE(names.size(), panel.size());
    EXPECT_EQ(std::vector<QString>(names.end() - 6, names.end()), panel);
    EXPECT_TRUE(names[2].startsWith(QStringLiteral("RUNNING, ")));
    EXPECT_TRUE(names[3].startsWith(QStringLiteral("FINISHED, ")));

    // The fader is read, not pressed; a pad flips its control; SEEN IT acknowledges.
    EXPECT_FALSE(at(QStringLiteral("Volume")).press);
    EXPECT_EQ(at(QStringLiteral("Volume")).value, QStringLiteral("82 percent"));
    at(QStringLiteral("CLAUDE")).press();
    ASSERT_EQ(calls.settled.size(), 1u);
    EXPECT_EQ(calls.settled.front().claude, !DeviceControls::standard().claude);
    ASSERT_TRUE(at(QStringLiteral("SEEN IT")).enabled);
    at(QStringLiteral("SEEN IT")).press();
    EXPECT_EQ(calls.eject, 1);
    // A tab picked by an assistive tool shows at once, without the slide.
    at(names[3]).press();
    EXPECT_EQ(state.tab, ListTab::finished);
    EXPECT_FALSE(state.tabSwitch);

    // Nothing to acknowledge: SEEN IT is there, disabled, and presses nothing.
    const std::vector<AccessibleControl> idle = device("idle", calls).accessibleControls(state);
    EXPECT_EQ(idle.back().name, QStringLiteral("SEEN IT"));
    EXPECT_FALSE(idle.back().enabled);
    EXPECT_FALSE(idle.back().press);
}

TEST(DeviceView, TabsSwitchThroughTheHostsStateAndRowsReportTheirSession) {
    Calls calls;
    DeviceView::State state;
    DeviceView view = device("running", calls);
    const DeviceView::Layout parts = DeviceView::layout();
    const TabBlock::Layout block = view.tabBlock().layout(416);

    ASSERT_FALSE(view.display.running.empty());
    click(view, parts.tabBlock.topLeft() + block.rows.front().frame.center(), state);
    EXPECT_EQ(calls.rows, std::vector<std::string>{view.display.running.front().id});

    click(view, parts.tabBlock.topLeft() + block.finishedKey.center(), state);
    EXPECT_EQ(state.tab, ListTab::finished);
    ASSERT_TRUE(state.tabSwitch);
    EXPECT_TRUE(DeviceView::animatesTabs(state, now.adding(0.1)));
    EXPECT_FALSE(DeviceView::animatesTabs(state, now.adding(1)));
    EXPECT_FALSE(state.tabSwitch);

    // The selected tab again: nothing. With reduce motion the switch is at once.
    view.state = state;
    click(view, parts.tabBlock.topLeft() + block.finishedKey.center(), state);
    EXPECT_FALSE(state.tabSwitch);
    view.moment.reduceMotion = true;
    click(view, parts.tabBlock.topLeft() + block.runningKey.center(), state);
    EXPECT_EQ(state.tab, ListTab::running);
    EXPECT_FALSE(state.tabSwitch);
}

TEST(DeviceView, AFaderDragShowsEveryValueAndStoresTheLastOnce) {
    Calls calls;
    DeviceView::State state;
    const DeviceView view = device("idle", calls);
    const QRectF fader = view.controlPanel().layout(416).fader.translated(DeviceView::layout().controls.topLeft());
    view.press(fader.topLeft() + QPointF(20, 12), state);
    view.drag(fader.topLeft() + QPointF(20, 59), state);
    view.drag(fader.topLeft() + QPointF(20, 500), state);
    view.release(fader.topLeft() + QPointF(20, 500), state);
    ASSERT_GE(calls.changes.size(), 3u);
    EXPECT_DOUBLE_EQ(calls.changes.front().volume, 1);
    EXPECT_DOUBLE_EQ(calls.changes[1].volume, 0.5);
    ASSERT_EQ(calls.settled.size(), 1u);
    EXPECT_DOUBLE_EQ(calls.settled.front().volume, 0);
    EXPECT_EQ(state.press.held(), std::nullopt);
}

TEST(DeviceView, AFrozenTimeShowsTheMotionThatFarInAndFinished) {
    Calls calls;
    DeviceView view = device("broke", calls);
    view.frozenAt = 1.0;
    view.moment.liveClock = MotionClock{MascotMotion::idle, now.adding(-50), false};
    EXPECT_EQ(view.clock(), (MotionClock{MascotMotion::broke, now.adding(-1.0), true}));
    view.frozenAt.reset();
    EXPECT_EQ(view.clock(), view.moment.liveClock);
}

TEST(DesignSheetView, ShowsTheThirteenSwatchesAndItsSections) {
    const auto swatches = DesignSheetView::defaultSwatches();
    std::vector<std::string> labels;
    for (const auto& swatch : swatches) labels.push_back(swatch.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"ink", "chassis", "panel", "side", "top", "inset", "screen", "acid",
                                                "acidDeep", "mascotWhite", "dim", "broke", "brokeDeep"}));
    EXPECT_EQ(swatches[7].color, Tokens::acid);
    EXPECT_EQ(DesignSheetView::sectionTitles().front(), "FACES · SCALE 6");
    // Fewer swatches make a sheet no wider than the faces row needs.
    DesignSheetView few;
    few.swatches.resize(2);
    EXPECT_LE(few.size().width(), DesignSheetView().size().width());
}

}  // namespace
}  // namespace quorvel
