// The phone face: its column layout, the SEEN IT key's look and taps, the tab block's taps, and
// its motion clock, frozen for pictures and live on a phone.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "kit/phone/PhoneFaceView.hpp"
#include "kit/phone/PhoneHeader.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/mascot/LiveMotionClock.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"
#include "platform/desktop/ReduceMotion.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::opaque;
using testing::PaintedImage;

const Instant now = Instant::fromUnixSeconds(1'800'000'000);

class ManualClock final : public Clock {
public:
    Instant now() const override { return time; }
    Instant time = quorvel::now;
};

PhoneFaceView face(const std::string& sample, PhoneFaceView::Actions actions = {}) {
    return PhoneFaceView(DeviceSamples::display(sample, now), std::move(actions), 60, FaceMoment::still(now));
}

QRgb hex(const Color& color) { return drawing::toQColor(color).rgba(); }

PaintedImage painted(const PhoneFaceView& view) {
    PaintedImage image(view.size(), 2, drawing::toQColor(Tokens::chassis));
    image.paint([&](QPainter& painter) { view.paint(painter); });
    return image;
}

void tap(const PhoneFaceView& view, QPointF point, PhoneFaceState& state) {
    view.press(point, state);
    view.release(point, state);
}

TEST(PhoneFaceLayout, OneColumnInsideSixteenPointMarginsWithPartsEighteenApart) {
    const PhoneFaceView view = face("done");
    const auto parts = view.layout();
    EXPECT_EQ(parts.size.width(), 393);
    for (const QRectF& full : {parts.header, parts.screen, parts.tabBlock, parts.drive}) {
        EXPECT_EQ(full.left(), 16);
        EXPECT_EQ(full.width(), 361);
    }
    EXPECT_EQ(parts.header.top(), 0);
    EXPECT_EQ(parts.header.height(), 58);
    EXPECT_EQ(parts.screen.top(), 58 + 18);
    EXPECT_EQ(parts.screen.height(), ScreenBezel::height(ScreenMetrics::phone()));
    EXPECT_EQ(parts.tabBlock.top(), parts.screen.bottom() + 18);
    EXPECT_EQ(parts.testAlarmKey.top(), parts.tabBlock.bottom() + 18);
    // The keys share the row equally, 10 points apart.
    EXPECT_EQ(parts.testAlarmKey.width(), parts.seenItKey.width());
    EXPECT_EQ(parts.seenItKey.left() - parts.testAlarmKey.right(), 10);
    EXPECT_EQ(parts.seenItKey.right(), 16 + 361);
    EXPECT_EQ(parts.drive.top(), parts.testAlarmKey.bottom() + 18);
    EXPECT_EQ(parts.drive.height(), 76);
    EXPECT_EQ(parts.size.height(), parts.drive.bottom());
    EXPECT_LE(parts.size.height() + 60, 852) << "the face fits the phone screen under its top padding";

    // The grille stands at the trailing edge of the header.
    const auto header = PhoneHeader::layout(QPointF(16, 0), 361);
    EXPECT_EQ(header.grille.right(), 16 + 361);
    EXPECT_EQ(header.grille.height(), 40);
    EXPECT_EQ(header.mascot.size(), QSizeF(48, 48));
}

TEST(PhoneFaceSeenIt, TakesTapsAndFullOpacityOnlyWhenThereIsSomethingToAcknowledge) {
    int ejects = 0;
    int alarms = 0;
    const PhoneFaceView::Actions actions{[&] { ++alarms; }, [&] { ++ejects; }, {}, {}};
    const PhoneFaceView idle = face("idle", actions);
    const PhoneFaceView done = face("done", actions);
    ASSERT_FALSE(idle.display.acknowledgeable);
    ASSERT_TRUE(done.display.acknowledgeable);

    const QPointF onSeenIt = idle.layout().seenItKey.center();
    PhoneFaceState state;
    tap(idle, onSeenIt, state);
    EXPECT_EQ(ejects, 0);
    EXPECT_FALSE(idle.hitTest(onSeenIt));
    tap(done, onSeenIt, state);
    EXPECT_EQ(ejects, 1);
    tap(done, done.layout().testAlarmKey.center(), state);
    EXPECT_EQ(alarms, 1);

    // A press dragged off the key and let go elsewhere does nothing.
    done.press(onSeenIt, state);
    done.drag(QPointF(1, 1), state);
    done.release(QPointF(1, 1), state);
    EXPECT_EQ(ejects, 1);

    // On the key's face, clear of its legend and bevel edges.
    const QRectF key = done.layout().seenItKey;
    const QRectF faceRect = done.seenItStyle().faceRect(key, false);
    const QPointF sample(faceRect.left() + 8, faceRect.center().y());
    EXPECT_EQ(painted(done).rgb(sample.x(), sample.y()), hex(Tokens::acid));
    const QColor dimmed = painted(idle).at(sample.x(), sample.y());
    const QColor acid = drawing::toQColor(Tokens::acid);
    const QColor chassis = drawing::toQColor(Tokens::chassis);
    EXPECT_NEAR(dimmed.red(), 0.4 * acid.red() + 0.6 * chassis.red(), 2);
    EXPECT_NEAR(dimmed.green(), 0.4 * acid.green() + 0.6 * chassis.green(), 2);
    EXPECT_NEAR(dimmed.blue(), 0.4 * acid.blue() + 0.6 * chassis.blue(), 2);
}

TEST(PhoneFaceSeenIt, IsRedWithADarkRedDepthForFailuresAndAcidOtherwise) {
    for (const char* sample : {"broke", "crashed", "done", "needsyou"}) {
        const PhoneFaceView view = face(sample);
        const bool failure = std::string(sample) == "broke" || std::string(sample) == "crashed";
        ASSERT_EQ(view.display.broke, failure) << sample;
        const QRectF faceRect = view.seenItStyle().faceRect(view.layout().seenItKey, false);
        const PaintedImage image = painted(view);
        EXPECT_EQ(image.rgb(faceRect.left() + 8, faceRect.center().y()), hex(failure ? Tokens::broke : Tokens::acid))
            << sample;
        // The depth showing under the face, away from the rounded corners.
        EXPECT_EQ(image.rgb(faceRect.center().x(), faceRect.bottom() + 4),
                  hex(failure ? Tokens::brokeDeep : Tokens::acidDeep))
            << sample;
    }
}

TEST(PhoneFaceTabBlock, SwitchesTabsAndReportsRowTaps) {
    std::vector<std::string> tapped;
    const PhoneFaceView view = face("running", {{}, {}, [&](const std::string& id) { tapped.push_back(id); }, {}});
    PhoneFaceState state;
    const auto parts = view.layout();
    const auto block = view.tabBlock().layout(parts.tabBlock.width());
    const QPointF origin = parts.tabBlock.topLeft();

    ASSERT_FALSE(block.rows.empty());
    ASSERT_EQ(block.rows.front().kind, TabBlock::RowKind::running);
    tap(view, origin + block.rows.front().frame.center(), state);
    ASSERT_EQ(tapped.size(), 1u);
    EXPECT_EQ(tapped.front(), view.display.running.front().id);

    tap(view, origin + block.finishedKey.center(), state);
    EXPECT_EQ(state.tab, ListTab::finished);
    EXPECT_TRUE(state.tabSwitch) << "the lists slide over each other";

    // More sessions than the block lists: the link shows, reports its tab, and the keys and
    // the drive move down to make room for it.
    std::vector<ListTab> seeAll;
    DeviceDisplay many = view.display;
    many.runningCount = 5;
    const PhoneFaceView longer(many, {{}, {}, {}, [&](ListTab tab) { seeAll.push_back(tab); }}, 60,
                               FaceMoment::still(now));
    const auto longerParts = longer.layout();
    const auto link = longer.tabBlock().layout(longerParts.tabBlock.width()).link;
    ASSERT_TRUE(link);
    EXPECT_GT(longerParts.drive.top(), parts.drive.top());
    PhoneFaceState fresh;
    tap(longer, longerParts.tabBlock.topLeft() + link->center(), fresh);
    EXPECT_EQ(seeAll, std::vector<ListTab>{ListTab::running});
}

TEST(PhoneFaceClock, AFrozenFaceShowsTheStillPoseAndTheSamePictureEveryTime) {
    const PhoneFaceView view = face("done");
    const MotionClock clock = view.clock();
    EXPECT_EQ(clock.motion, MascotMotion::done);
    EXPECT_TRUE(clock.finished);
    EXPECT_EQ(clock.start, now.adding(-60));
    EXPECT_EQ(painted(view).image(), painted(face("done")).image());
}

TEST(PhoneFaceClock, ALiveClockRestartsOnANewMotionAndFinishesOnlyAfterTheNewHold) {
    ManualClock wall;
    FixedReduceMotion reduce;
    LiveMotionClock live(PhoneFaceView::screenMetrics().mascotScale, reduce, wall);
    // Hiding and showing again makes the clock catch up with the time that passed.
    auto catchUp = [&](double seconds) {
        wall.time = now.adding(seconds);
        live.setHidden(true);
        live.setHidden(false);
        return live.clock().finished;
    };

    live.show(DeviceSamples::display("done", now));
    wall.time = now.adding(1);
    live.show(DeviceSamples::display("broke", now));
    EXPECT_EQ(live.clock().motion, MascotMotion::broke);
    EXPECT_EQ(live.clock().start, now.adding(1));
    EXPECT_FALSE(catchUp(3.3)) << "the done deadline no longer counts";
    EXPECT_TRUE(catchUp(1 + 2.65 + 0.01));

    live.show(DeviceSamples::display("muted", now));
    EXPECT_TRUE(live.clock().finished) << "muted starts finished";
    for (const char* loop : {"idle", "running", "longrun", "needsyou"}) {
        wall.time = now;
        live.show(DeviceSamples::display(loop, now));
        EXPECT_FALSE(catchUp(3600)) << loop;
    }
}

}  // namespace
}  // namespace quorvel
