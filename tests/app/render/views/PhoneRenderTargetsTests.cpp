// The phone pictures of render mode: the phone face, the finished page and the lock-screen
// card, their sizes, backdrops and sample states.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

#include "app/render/views/PhoneRenderTargets.hpp"
#include "app/render/views/RenderMode.hpp"
#include "kit/visuals/views/kit/Grain.hpp"

namespace quorvel {
namespace {

const Instant now = Instant::fromUnixSeconds(1'800'000'000);
const QRgb chassis = qRgb(0x2B, 0x2C, 0x2F);

QImage rendered(const std::string& target) {
    const auto image = RenderMode::render(target, RenderTargets(), now);
    EXPECT_TRUE(image) << target;
    return image ? *image : QImage();
}

// The backdrop is the chassis colour under the grain: every pixel is the plain colour or the
// colour with a white grain dot at 12 %.
bool isBackdrop(QRgb pixel) {
    const QRgb lit = qRgb(qRound(0x2B * 0.88 + 255 * 0.12), qRound(0x2C * 0.88 + 255 * 0.12),
                          qRound(0x2F * 0.88 + 255 * 0.12));
    auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) <= 1 && std::abs(qGreen(a) - qGreen(b)) <= 1 &&
               std::abs(qBlue(a) - qBlue(b)) <= 1 && qAlpha(a) == 255;
    };
    return near(pixel, chassis) || near(pixel, lit);
}

TEST(PhoneRenderTargets, PhoneAndFinishedPagesFillAPhoneScreenAtScaleTwo) {
    std::vector<std::string> targets{"finished"};
    for (const char* sample : {"idle", "running", "longrun", "done", "needsyou", "broke", "crashed", "muted"}) {
        targets.push_back(std::string("phone-") + sample);
    }
    for (const std::string& target : targets) {
        const QImage image = rendered(target);
        ASSERT_EQ(image.size(), QSize(786, 1704)) << target;
        // The corners and the room above the face show the backdrop only.
        for (const QPoint point : {QPoint(0, 0), QPoint(785, 0), QPoint(0, 1703), QPoint(785, 1703), QPoint(400, 100)}) {
            EXPECT_TRUE(isBackdrop(image.pixel(point))) << target << " at " << point.x() << "," << point.y();
        }
    }
    // The face starts 60 points down: its header's mascot is there, not above.
    const QImage face = rendered("phone-done");
    bool painted = false;
    for (int y = 120; y < 120 + 116 && !painted; ++y) {
        for (int x = 32; x < 32 + 96 && !painted; ++x) painted = !isBackdrop(face.pixel(x, y));
    }
    EXPECT_TRUE(painted);
}

TEST(PhoneRenderTargets, ALockCardStandsOnARoundedPlateOnBlack) {
    for (const char* name : {"done", "broke", "running", "whatever"}) {
        const QImage image = rendered(std::string("lock-") + name);
        ASSERT_EQ(image.size(), QSize(786, 384)) << name;
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0)) << name;
        // The plate's rounded corner leaves black at the plate's own corner.
        EXPECT_EQ(image.pixel(32 + 1, 32 + 1), qRgb(0, 0, 0)) << name;
        // Inside the plate, left of the mascot, the plate is plain chassis.
        EXPECT_EQ(image.pixel(2 * (16 + 8), 2 * (16 + 80)), chassis) << name;
    }
}

TEST(PhoneRenderTargets, LockSampleStatesAreDatedFromNow) {
    const QuorvelLiveState done = PhoneRenderTargets::lockState("done", now);
    EXPECT_EQ(done.state, "done");
    EXPECT_EQ(done.startedAtUnix, now.unixSeconds() - 724);
    EXPECT_EQ(done.endedAtUnix, now.unixSeconds() - 472);
    EXPECT_FALSE(done.detail);

    const QuorvelLiveState broke = PhoneRenderTargets::lockState("broke", now);
    EXPECT_EQ(broke.state, "broke");
    EXPECT_EQ(broke.detail, "pnpm build · exit 1");
    EXPECT_FALSE(broke.endedAtUnix);

    for (const char* other : {"running", "", "Done", "crashed"}) {
        const QuorvelLiveState running = PhoneRenderTargets::lockState(other, now);
        EXPECT_EQ(running.state, "running") << other;
        EXPECT_EQ(running.project, "tessaloom");
        EXPECT_EQ(running.title, "tighten onboarding copy for the empty states");
    }
}

}  // namespace
}  // namespace quorvel
