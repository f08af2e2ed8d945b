// The lock-screen card: its words per state, the detail line, the times it shows (never
// negative, never broken by odd decoded times), and what a stale card dims.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "kit/phone/BigTime.hpp"
#include "kit/phone/LockScreenCard.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;

const Instant now = Instant::fromUnixSeconds(1'800'000'000);

QuorvelLiveState liveState(std::string state, std::string title = "build", std::optional<std::string> detail = {}) {
    QuorvelLiveState live;
    live.state = std::move(state);
    live.title = std::move(title);
    live.startedAtUnix = now.adding(-724).unixSeconds();
    live.detail = std::move(detail);
    live.project = "tessaloom";
    return live;
}

TEST(LockScreenCardWords, EachStateHasItsWordAccentAndFace) {
    EXPECT_EQ(LockScreenCard::headlineForState("done"), "DONE");
    EXPECT_EQ(LockScreenCard::headlineForState("needsYou"), "NEEDS YOU");
    EXPECT_EQ(LockScreenCard::headlineForState("broke"), "IT BROKE");
    EXPECT_EQ(LockScreenCard::headlineForState("crashed"), "CRASHED");
    EXPECT_EQ(LockScreenCard::accentForState("needsYou"), Tokens::acid);
    EXPECT_EQ(LockScreenCard::accentForState("crashed"), Tokens::broke);
    EXPECT_TRUE(LockScreenCard::isRunningState("longRun"));
    EXPECT_FALSE(LockScreenCard::isRunningState("Running")) << "state names are compared exactly";

    // A state the card does not know reads as a run in progress with the happy face.
    const LockScreenCard idle{liveState("idle"), false, std::nullopt};
    EXPECT_EQ(LockScreenCard::headlineForState("idle"), "GRINDING");
    EXPECT_EQ(LockScreenCard::accentForState("idle"), Tokens::dim);
    EXPECT_EQ(idle.mascot().face, PixelArt::Face::happy);
    EXPECT_EQ(idle.caption(), "GRINDING");
    EXPECT_EQ((LockScreenCard{liveState("running"), true, std::nullopt}.caption()), "LOST THE MAC");

    // Only a broke mascot is red: a crashed one keeps its white body.
    EXPECT_TRUE((LockScreenCard{liveState("broke"), false, std::nullopt}.mascot().broke));
    const MascotView crashed = LockScreenCard{liveState("crashed"), false, std::nullopt}.mascot();
    EXPECT_FALSE(crashed.broke);
    EXPECT_EQ(crashed.face, PixelArt::Face::dead);
    EXPECT_EQ(crashed.size(), QSizeF(64, 64));
}

TEST(LockScreenCardDetail, ABrokeRunShowsItsTitleWithTheShellsExitCode) {
    auto detailOf = [](std::string state, std::string title, std::optional<std::string> detail) {
        return LockScreenCard{liveState(std::move(state), std::move(title), std::move(detail)), false, std::nullopt}
            .exitCodeText();
    };
    EXPECT_EQ(detailOf("broke", "build", "pnpm build · exit 1"), "build · exit 1");
    EXPECT_EQ(detailOf("broke", "build", "pnpm build"), "build");
    EXPECT_EQ(detailOf("broke", "build", std::nullopt), "build");
    EXPECT_EQ(detailOf("crashed", "build", "pnpm build · exit 1"), "build");
    EXPECT_EQ(detailOf("done", "build", "4m 12s"), "build");
    // The command itself may say "exit ": the exit code is the part after the last separator.
    EXPECT_EQ(detailOf("broke", "checks", "sh -c 'test -f x || exit 3' · exit 3"), "checks · exit 3");
    EXPECT_EQ(detailOf("broke", "checks", "./scripts/exit 2 now"), "checks");
    EXPECT_EQ(detailOf("broke", "t", "a · exit 1 · exit 127"), "t · exit 127");
    // No title: the exit code alone, no dangling separator.
    EXPECT_EQ(detailOf("broke", "", "pnpm build · exit 1"), "exit 1");
}

TEST(LockScreenCardTimes, DurationsAreNeverNegative) {
    QuorvelLiveState done = liveState("done");
    EXPECT_EQ((LockScreenCard{done, false, std::nullopt}.doneDuration()), "0s") << "no end yet";
    done.endedAtUnix = done.startedAtUnix - 30;
    EXPECT_EQ((LockScreenCard{done, false, std::nullopt}.doneDuration()), "0s") << "clock skew";
    done.endedAtUnix = done.startedAtUnix + 252;
    EXPECT_EQ((LockScreenCard{done, false, std::nullopt}.doneDuration()), "4m 12s");

    // An ended run shows its length in white, whatever frozen value a picture passes.
    const BigTime ended{done, 60, 125.0};
    EXPECT_FALSE(ended.isLive());
    EXPECT_EQ(ended.text(now), "4m 12s");
    EXPECT_EQ(ended.color(), Tokens::mascotWhite);

    // A frozen running clock shows the short form and does not tick.
    const BigTime frozen{liveState("running"), 60, 125.0};
    EXPECT_EQ(frozen.text(now), "2m 05s");
    EXPECT_EQ(frozen.text(now.adding(3600)), "2m 05s");
    EXPECT_EQ(frozen.color(), Tokens::acid);
}

TEST(LockScreenCardTimes, TheLiveClockCountsFromAnyDecodedStart) {
    BigTime live{liveState("running"), 60, std::nullopt};
    ASSERT_TRUE(live.isLive());
    EXPECT_EQ(live.text(now), "12:04");
    EXPECT_EQ(live.text(now.adding(3600)), "1:12:04");

    // Starts a live clock could not count from: in the future, absurdly far back or forward.
    live.state.startedAtUnix = now.adding(90).unixSeconds();
    EXPECT_EQ(live.text(now), "0:00");
    live.state.startedAtUnix = std::numeric_limits<double>::max();
    EXPECT_EQ(live.text(now), "0:00");
    live.state.startedAtUnix = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(live.text(now), "0:00");
    live.state.startedAtUnix = -std::numeric_limits<double>::max();
    EXPECT_FALSE(live.text(now).startsWith("-"));
    EXPECT_EQ(BigTime::elapsedSeconds(-std::numeric_limits<double>::max(), std::numeric_limits<double>::max()),
              std::numeric_limits<double>::max());
    EXPECT_EQ(BigTime::elapsedSeconds(-std::numeric_limits<double>::infinity(), 0),
              std::numeric_limits<double>::max());
    EXPECT_EQ(BigTime::elapsedSeconds(std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()),
              0);

    // Too wide for its room, it shrinks to 60 % and no further.
    live.state.startedAtUnix = now.adding(-724).unixSeconds();
    EXPECT_EQ(live.scaleFor(1e6, now), 1);
    EXPECT_EQ(live.scaleFor(1, now), BigTime::minimumScale);
}

TEST(LockScreenCardLayout, TheMascotAndTheRowsSitInsideThePadding) {
    const LockScreenCard card{liveState("broke", "build", "pnpm build · exit 1"), false, 724.0};
    const QRectF frame(0, 0, 361, 160);
    const auto parts = card.layout(frame);
    EXPECT_EQ(parts.mascot.left(), 16);
    EXPECT_EQ(parts.mascot.size(), QSizeF(64, 64));
    EXPECT_EQ(parts.mascot.center().y(), 80) << "centred in the card's height";
    EXPECT_EQ(parts.column.left(), 16 + 64 + 14);
    EXPECT_EQ(parts.column.right(), 361 - 16);
    EXPECT_EQ(parts.headline.height(), 56);
    EXPECT_GE(parts.column.top(), 14);
    EXPECT_LE(parts.column.bottom(), 160 - 14);
}

TEST(LockScreenCardLayout, AStaleCardDimsOnlyItsHeadline) {
    const QRectF frame(0, 0, 361, 160);
    auto picture = [&](bool stale) {
        const LockScreenCard card{liveState("needsYou", "build", "waiting"), stale, std::nullopt};
        PaintedImage image(frame.size(), 2, drawing::toQColor(Tokens::chassis));
        image.paint([&](QPainter& painter) { card.paint(painter, frame, now); });
        return image.image();
    };
    const QImage fresh = picture(false);
    const QImage stale = picture(true);
    const auto parts = LockScreenCard{liveState("needsYou", "build", "waiting"), false, std::nullopt}.layout(frame);
    auto region = [](const QImage& image, const QRectF& points) {
        return image.copy(QRectF(points.topLeft() * 2, points.size() * 2).toAlignedRect());
    };
    EXPECT_EQ(region(fresh, parts.header), region(stale, parts.header));
    EXPECT_EQ(region(fresh, parts.detail), region(stale, parts.detail));
    EXPECT_EQ(region(fresh, parts.mascot), region(stale, parts.mascot));
    EXPECT_NE(region(fresh, parts.headline), region(stale, parts.headline));
}

}  // namespace
}  // namespace quorvel
