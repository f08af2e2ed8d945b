// The live display's pacing: a steady stream of the app's changes is drawn about ten times a
// second, never later than the spacing after it came, the last change of a burst included,
// and a change that leaves the snapshot as it was is never announced (so never painted).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>

#include "app/windows/device/LiveDisplay.hpp"
#include "app/windows/device/StripPresenter.hpp"
#include "tests/app/windows/FakeSurfaces.hpp"
#include "tests/support/FixedClock.hpp"

namespace quorvel {
namespace {

using namespace testing;

/// A wait the test fires itself, recording how long each was asked to be.
class ManualTimer final : public OneShotTimer {
public:
    std::vector<int>* waits = nullptr;

    void start(int milliseconds, std::function<void()> due) override {
        if (waits) waits->push_back(milliseconds);
        due_ = std::move(due);
    }
    void stop() override { due_ = nullptr; }
    bool active() const override { return due_ != nullptr; }

    void fire() {
        auto due = std::move(due_);
        due_ = nullptr;
        if (due) due();
    }

private:
    std::function<void()> due_;
};

constexpr double start = 1'700'000'000;

class LiveDisplayPacingTest : public ::testing::Test {
protected:
    LiveDisplayPacingTest() {
        auto made = std::make_unique<ManualTimer>();
        made->waits = &waits;
        timer = made.get();
        live = std::make_unique<LiveDisplay>(source, clock, std::move(made));
        QObject::connect(live.get(), &LiveDisplay::changed, [this] { ++announced; });
        live->setShown(true);
    }

    /// The app shows `project` now, and says it changed.
    void appShows(const std::string& project) {
        source.shown.project = project;
        emit source.changed();
    }
    void advance(double milliseconds) { clock->current = Instant::fromUnixSeconds(clock->current.unixSeconds() + milliseconds / 1000); }

    FakeDeviceSource source;
    std::shared_ptr<FixedClock> clock = std::make_shared<FixedClock>(Instant::fromUnixSeconds(start));
    std::vector<int> waits;
    ManualTimer* timer = nullptr;
    std::unique_ptr<LiveDisplay> live;
    int announced = 0;
};

TEST(LiveDisplayTest, AChangeWaitsForTheRestOfTheSpacingAndNeverLonger) {
    const Instant last = Instant::fromUnixSeconds(start);
    const auto after = [&](double milliseconds) { return Instant::fromUnixSeconds(start + milliseconds / 1000); };
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(std::nullopt, last), 0) << "nothing drawn yet";
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, after(0)), 100);
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, after(30)), 70);
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, after(99)), 1);
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, after(100)), 0);
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, after(5000)), 0);
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, after(-300'000)), 100) << "a clock stepped back";
    EXPECT_EQ(LiveDisplay::millisecondsToNextRefresh(last, Instant::fromUnixSeconds(std::nan(""))), 0);
}

TEST_F(LiveDisplayPacingTest, AChangeAfterAQuietSpellIsDrawnAtOnceAndABurstOnceWithItsLastChange) {
    advance(500);
    appShows("first");
    ASSERT_EQ(waits, std::vector<int>{0}) << "a quiet spell: at the event loop's next pass";
    EXPECT_EQ(announced, 0) << "not within the change itself: a batch of changes is one rebuild";
    timer->fire();
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(live->display().project, "first");

    // A burst: every change within the spacing joins the one wait.
    for (int index = 0; index < 20; ++index) {
        advance(3);
        appShows("burst " + std::to_string(index));
    }
    EXPECT_EQ(waits, (std::vector<int>{0, 97})) << "drawn within the spacing of the first change after the rebuild";
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(live->display().project, "first") << "nothing drawn before the wait is over";
    advance(97);
    timer->fire();
    EXPECT_EQ(announced, 2) << "the whole burst is one paint";
    EXPECT_EQ(live->display().project, "burst 19") << "the last change of the burst is the one drawn";
    EXPECT_FALSE(live->refreshPending());
}

TEST_F(LiveDisplayPacingTest, AStreamOfChangesIsDrawnAboutTenTimesASecondAndEachWithinTheSpacing) {
    // One change every 10 ms for two seconds; the test's timer fires when its wait is over.
    double dueAt = -1;
    std::vector<double> lags;
    double firstUndrawnAt = -1;
    for (int index = 0; index < 200; ++index) {
        const double at = index * 10.0;
        if (dueAt >= 0 && dueAt <= at) {
            clock->current = Instant::fromUnixSeconds(start + 1 + dueAt / 1000);
            timer->fire();
            dueAt = -1;
            if (firstUndrawnAt >= 0) lags.push_back(clock->current.unixSeconds() * 1000 - firstUndrawnAt);
            firstUndrawnAt = -1;
        }
        clock->current = Instant::fromUnixSeconds(start + 1 + at / 1000);
        const std::size_t before = waits.size();
        appShows("event " + std::to_string(index));
        if (firstUndrawnAt < 0) firstUndrawnAt = clock->current.unixSeconds() * 1000;
        if (waits.size() > before) dueAt = at + waits.back();
    }
    EXPECT_GE(announced, 18);
    EXPECT_LE(announced, 22) << "about ten paints a second";
    for (const double lag : lags) EXPECT_LE(lag, LiveDisplay::refreshSpacingMilliseconds + 1);
    ASSERT_TRUE(live->refreshPending()) << "the stream's last changes are still to come";
    clock->current = Instant::fromUnixSeconds(start + 1 + dueAt / 1000);
    timer->fire();
    EXPECT_EQ(live->display().project, "event 199");
}

TEST_F(LiveDisplayPacingTest, AChangeThatLeavesTheSnapshotAsItWasIsNotDrawn) {
    advance(500);
    appShows("same");
    timer->fire();
    ASSERT_EQ(announced, 1);
    for (int index = 0; index < 5; ++index) {
        advance(150);
        appShows("same");
        timer->fire();
    }
    EXPECT_EQ(announced, 1) << "nothing the face shows changed: nothing to paint";
}

TEST_F(LiveDisplayPacingTest, HiddenNothingWaitsAndShownAgainItIsDrawnAtOnce) {
    advance(500);
    appShows("before");
    timer->fire();
    advance(10);
    appShows("while it hides");
    ASSERT_TRUE(live->refreshPending());
    live->setShown(false);
    EXPECT_FALSE(live->refreshPending());
    appShows("hidden");
    EXPECT_FALSE(live->refreshPending()) << "no rebuilds for a window off screen";
    live->setShown(true);
    EXPECT_EQ(live->display().project, "hidden");
}

// The strip's presenter draws from a live display of its own: the event loop's timer paces it.
TEST(LiveDisplayPacing, TheStripIsPacedTooAndItsLastChangeArrives) {
    FakeDeviceSource source;
    FakeNavigator navigator;
    auto clock = std::make_shared<FixedClock>(Instant::fromUnixSeconds(start));
    StripPresenter strip(source, navigator, clock);
    int changes = 0;
    QObject::connect(&strip, &StripPresenter::changed, [&] { ++changes; });
    strip.live().setShown(true);

    clock->current = Instant::fromUnixSeconds(start + 1);
    source.shown.project = "one";
    emit source.changed();
    QCoreApplication::processEvents();
    ASSERT_EQ(changes, 1) << "a quiet spell: drawn at the event loop's next pass";

    // The clock stands still: the changes that follow wait out the spacing, together.
    source.shown.project = "two";
    emit source.changed();
    source.shown.project = "three";
    emit source.changed();
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 1) << "not at the next pass: within the spacing of the last paint";
    EXPECT_TRUE(strip.live().refreshPending());
    QElapsedTimer waited;
    waited.start();
    while (changes == 1 && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(changes, 2) << "one paint for both changes";
    EXPECT_EQ(strip.display().project, "three");
}

}  // namespace
}  // namespace quorvel
