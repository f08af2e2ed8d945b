#include "app/windows/device/DeviceContent.hpp"
#include "app/windows/device/StripContent.hpp"

#include <gtest/gtest.h>

#include "kit/visuals/model/MotionSchedule.hpp"
#include "kit/visuals/views/device/DiskDrive.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"
#include "tests/support/QtEventLoop.hpp"

#include <QElapsedTimer>
#include <algorithm>
#include <tuple>
#include <utility>

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::evening;
using testing::settle;

// Where two pictures differ; empty when they are the same.
QRect differingArea(const QImage& one, const QImage& other) {
    if (one.size() != other.size()) return QRect(QPoint(), one.size());
    QRect differs;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            if (one.pixel(x, y) != other.pixel(x, y)) differs |= QRect(x, y, 1, 1);
        }
    }
    return differs;
}

// The motion repaints only the screen's glass and the drive, on top of what the window holds
// already: the pixels must come out as a whole paint would give them.
class DeviceContentTest : public ::testing::Test {
protected:
    void SetUp() override {
        Fonts::registerOnce();
        testbed.make();
        presenter = std::make_unique<DevicePresenter>(testbed.sources->device(), *testbed.windows, testbed.clock);
        presenter->live().setShown(true);
        content = std::make_unique<DeviceContent>(*presenter, reduceMotion, *testbed.clock);
    }
    void TearDown() override {
        content.reset();
        presenter.reset();
    }

    /// A run started 65 s ago and the content brought up to date with it.
    void startARun() {
        HookEvent prompt = testbed.event("UserPromptSubmit", "s1", 65);
        prompt.promptFirstLine = "fix the build";
        testbed.model->sessions().handleHookEvent(prompt, true);
        settle();
        presenter->live().refresh();
        content->refresh();
    }

    /// A run just finished and the content brought up to date with it: the done motion starts.
    void finishARun() {
        testbed.finishRun("s1", 0, 30);
        settle();
        presenter->live().refresh();
        content->refresh();
    }

    QImage whole(double density = 1) {
        QImage image(content->size() * density, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(density);
        image.fill(Qt::black);
        QPainter painter(&image);
        content->paint(painter);
        return image;
    }
    // `before`, with only `area` painted again (as the window paints an update of it). Where
    // the content says it covers the area opaquely the window clears nothing: a loud colour there
    // shows through if it does not.
    void repaint(QImage& before, const QRect& area) {
        QPainter painter(&before);
        painter.setClipRect(area);
        painter.fillRect(area, content->coversOpaquely(area) ? Qt::magenta : Qt::black);
        content->paint(painter);
    }

    AppWindowsTestbed testbed;
    FixedReduceMotion reduceMotion;
    std::unique_ptr<DevicePresenter> presenter;
    std::unique_ptr<DeviceContent> content;
};

TEST_F(DeviceContentTest, RepaintingTheMovingPartsGivesTheSamePixelsAsAWholePaint) {
    finishARun();
    const QRect glass = DeviceComposition::areas().glass;
    const QRect drive = DeviceComposition::areas().drive;
    ASSERT_FALSE(glass.isEmpty());
    ASSERT_FALSE(drive.isEmpty());

    QImage partial = whole();
    // Through the done motion: the floppy rises and the mascot moves; the same poses twice, so
    // the glass comes from its kept pictures the second time.
    for (int round = 0; round < 2; ++round) {
        for (double seconds : {0.2, 0.6, 1.2, 2.4, 3.5}) {
            testbed.clock->current = evening.adding(seconds);
            repaint(partial, glass);
            repaint(partial, drive);
            EXPECT_EQ(differingArea(partial, whole()), QRect()) << "at " << seconds << " s, round " << round;
        }
        EXPECT_TRUE(content->coversOpaquely(glass));
        EXPECT_FALSE(content->coversOpaquely(glass.adjusted(-1, 0, 0, 0)));
        testbed.clock->current = evening;
        repaint(partial, glass);
        repaint(partial, drive);
    }
}

// Every picture the motion shows, at every step that changes the glass or the drive and at
// both densities, twice over (the second time from the kept pictures): the window's partial
// repaints must give a whole paint's pixels, for the one-shots, the loops and the blinking LED.
class DeviceContentMotionTest : public DeviceContentTest,
                             public ::testing::WithParamInterface<std::tuple<MascotMotion, double>> {
protected:
    void start(MascotMotion motion) {
        switch (motion) {
            case MascotMotion::done: testbed.finishRun("s1", 0, 30); break;
            case MascotMotion::broke: {
                HookEvent prompt = testbed.event("UserPromptSubmit", "s1", 30);
                prompt.promptFirstLine = "fix the build";
                testbed.model->sessions().handleHookEvent(prompt, true);
                HookEvent failure = testbed.event("PostToolUseFailure", "s1", 1);
                failure.toolName = "Bash";
                failure.command = "make";
                failure.error = "exit code 2";
                testbed.model->sessions().handleHookEvent(failure, true);
                testbed.model->sessions().handleHookEvent(testbed.event("Stop", "s1", 0), true);
                break;
            }
            case MascotMotion::crashed: testbed.model->sessions().handleHookEvent(testbed.event("StopFailure", "s1", 0), true); break;
            case MascotMotion::needsYou: {
                HookEvent needsYou = testbed.event("Notification", "s1");
                needsYou.notificationType = "permission_prompt";
                testbed.model->sessions().handleHookEvent(needsYou, true);
                break;
            }
            default: break;
        }
        settle();
        presenter->live().refresh();
        content->refresh();
    }
};

TEST_P(DeviceContentMotionTest, EveryStepRepaintsToTheWholePaintsPixels) {
    const auto [motion, density] = GetParam();
    start(motion);
    const MotionClock clock = content->view().clock();
    ASSERT_EQ(clock.motion, motion);
    std::vector<double> steps = MotionSchedule::TimesCache::shared().times(motion, 6);
    for (double time : MotionSchedule::TimesCache::shared().times(motion, DiskDrive::timelineScale)) {
        steps.push_back(time);
    }
    std::sort(steps.begin(), steps.end());
    steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    ASSERT_GT(steps.size(), 1u);

    const QRect glass = DeviceComposition::areas().glass;
    const QRect drive = DeviceComposition::areas().drive;
    testbed.clock->current = clock.start;
    // The first paint at a new density may draw the big header title's edges a shade apart
    // from later ones (the glyph cache fills); the motion never repaints the header.
    whole(density);
    QImage partial = whole(density);
    int differing = 0;
    for (int round = 0; round < 2; ++round) {
        for (const double step : steps) {
            testbed.clock->current = clock.start.adding(step);
            repaint(partial, glass);
            repaint(partial, drive);
            const QImage expected = whole(density);
            if (partial != expected) {
                const QRect area = differingArea(partial, expected);
                ADD_FAILURE() << "at " << step << " s, round " << round << ": " << area.width() << " x "
                              << area.height() << " pixels at " << area.x() << ", " << area.y() << " differ";
                if (++differing == 3) return;
                partial = expected;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Motions, DeviceContentMotionTest,
                         ::testing::Combine(::testing::Values(MascotMotion::idle, MascotMotion::done,
                                                              MascotMotion::broke, MascotMotion::crashed,
                                                              MascotMotion::needsYou),
                                            ::testing::Values(1.0, 2.0)));

TEST_F(DeviceContentTest, ARunningSessionsSecondsRepaintTheScreenAndTheRowsAlone) {
    startARun();
    QImage partial = whole();
    for (int second = 1; second <= 3; ++second) {
        testbed.clock->current = evening.adding(second);
        presenter->live().refresh();
        content->refresh();
        repaint(partial, DeviceComposition::areas().glass);
        repaint(partial, DeviceComposition::areas().tabBlock);
        EXPECT_EQ(differingArea(partial, whole()), QRect()) << "after " << second << " s";
    }
}

TEST_F(DeviceContentTest, ARunningSessionsToolEventsRepaintTheScreenAndTheRowsAlone) {
    startARun();
    std::vector<QRect> requested;
    content->onUpdate([&](const QRect& area) { requested.push_back(area); });
    QImage partial = whole();
    // Each event moves the last event's time (a minute on, to change its text) and the detail line.
    for (int index = 1; index <= 3; ++index) {
        testbed.clock->current = evening.adding(61 * index);
        HookEvent tool = testbed.event(index % 2 == 1 ? "PreToolUse" : "PostToolUse", "s1");
        tool.toolName = "Bash";
        tool.command = "make test-" + std::to_string(index);
        testbed.model->sessions().handleHookEvent(tool, true);
        settle();
        presenter->live().refresh();
        content->refresh();
        ASSERT_FALSE(requested.empty());
        for (const QRect& area : requested) {
            EXPECT_TRUE(area == DeviceComposition::areas().glass || area == DeviceComposition::areas().tabBlock)
                << "event " << index << " asks for " << area.x() << "," << area.y() << " " << area.width() << "x"
                << area.height();
        }
        for (const QRect& area : std::exchange(requested, {})) repaint(partial, area);
        EXPECT_EQ(differingArea(partial, whole()), QRect()) << "event " << index;
    }
}

TEST_F(DeviceContentTest, TheDoneMotionRepaintsTheGlassAndTheDriveOnlyForStepsThatChangeThem) {
    // Of the done motion's 142 steps at this scale, 111 change the glass and 49 the drive (the
    // floppy and its click); the rest would paint the same pixels again.
    std::vector<QRect> requested;
    content->onUpdate([&](const QRect& area) { requested.push_back(area); });
    finishARun();
    const QRect glass = DeviceComposition::areas().glass;
    const QRect drive = DeviceComposition::areas().drive;
    QImage onScreen = whole();
    requested.clear();

    int glassPaints = 0, drivePaints = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    // The motion's clock follows the time the loop has run, as the window's would.
    testing::waitUntil([&] {
        testbed.clock->current = evening.adding(elapsed.elapsed() / 1000.0);
        for (const QRect& area : std::exchange(requested, {})) {
            glassPaints += area == glass;
            drivePaints += area == drive;
            repaint(onScreen, area);
        }
        return elapsed.elapsed() > 3600;
    }, 10000);

    EXPECT_GT(glassPaints, 10);
    EXPECT_LE(glassPaints, 112);
    EXPECT_GT(drivePaints, 5);
    EXPECT_LE(drivePaints, 50);
    // Once the motion is over the window holds exactly what a whole paint gives.
    EXPECT_EQ(differingArea(onScreen, whole()), QRect());
}

TEST_F(DeviceContentTest, RepaintingTheStripsScreenGivesTheSamePixelsAsAWholePaint) {
    StripPresenter stripPresenter(testbed.sources->device(), *testbed.windows, testbed.clock);
    stripPresenter.live().setShown(true);
    StripContent strip(stripPresenter, reduceMotion, *testbed.clock);
    const auto paintStrip = [&](QImage& image, std::optional<QRect> area) {
        QPainter painter(&image);
        if (area) {
            painter.setClipRect(*area);
            painter.fillRect(*area, Qt::black);
        }
        strip.paint(painter);
    };
    testbed.model->sessions().handleHookEvent(testbed.event("StopFailure", "s1", 0), true);
    settle();
    stripPresenter.live().refresh();
    strip.refresh();
    QImage partial(strip.size(), QImage::Format_ARGB32_Premultiplied);
    partial.fill(Qt::black);
    paintStrip(partial, std::nullopt);
    for (double seconds : {0.3, 0.9, 1.8}) {
        testbed.clock->current = evening.adding(seconds);
        paintStrip(partial, CompactStripView::screenArea());
        QImage full(strip.size(), QImage::Format_ARGB32_Premultiplied);
        full.fill(Qt::black);
        paintStrip(full, std::nullopt);
        EXPECT_EQ(differingArea(partial, full), QRect()) << "at " << seconds << " s";
    }
}

}  // namespace
}  // namespace quorvel
