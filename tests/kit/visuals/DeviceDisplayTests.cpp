#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/visuals/model/DeviceDisplay.hpp"

namespace quorvel {
namespace {

using PixelArt::Face;

const Instant now = Instant::fromReferenceSeconds(760'000'000);

RunningRow row(const std::string& id) {
    return RunningRow{id, "p", "t", SessionState::idle(), now, std::nullopt, false};
}

FinishedRun run(const std::string& title) {
    return FinishedRun{FinishedRun::Chip::shell, title, 3, true, std::nullopt, "s", now, std::nullopt};
}

DeviceDisplay buildFor(std::optional<SessionState> state, bool muted = false,
                       std::optional<std::string> project = "quorvel") {
    return DeviceDisplay::build(state, muted, project, now.adding(-5), 2, {}, {}, now);
}

TEST(DeviceDisplay, LookPerState) {
    const quorvel::Run someRun{now.adding(-10), "x"};
    const struct {
        SessionState state;
        Face face;
        MascotMotion motion;
        bool alarm;
        bool acknowledgeable;
    } table[] = {
        {SessionState::idle(), Face::happy, MascotMotion::idle, false, false},
        {SessionState::running(someRun), Face::working, MascotMotion::running, false, false},
        {SessionState::longRun(someRun), Face::shocked, MascotMotion::longRun, false, false},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), Face::wink,
         MascotMotion::done, false, true},
        {SessionState::needsYou("m"), Face::shocked, MascotMotion::needsYou, false, true},
        {SessionState::broke("c", 2), Face::angry, MascotMotion::broke, true, true},
        {SessionState::crashed("r"), Face::dead, MascotMotion::crashed, true, true},
    };
    for (const auto& entry : table) {
        EXPECT_EQ(DeviceDisplay::faceFor(entry.state), entry.face);
        EXPECT_EQ(DeviceDisplay::motionFor(entry.state), entry.motion);
        const DeviceDisplay display = buildFor(entry.state);
        EXPECT_EQ(display.face, entry.face);
        EXPECT_EQ(display.motion, entry.motion);
        EXPECT_EQ(display.broke, entry.alarm);
        EXPECT_EQ(display.headlineAlarm, entry.alarm);
        EXPECT_EQ(display.acknowledgeable, entry.acknowledgeable);
        EXPECT_EQ(display.headline, CopyBook::headline(entry.state));
    }
}

TEST(DeviceDisplay, NoSessionShowsTheQuietIdleScreen) {
    const DeviceDisplay display = DeviceDisplay::build(std::nullopt, false, std::nullopt,
                                                       std::nullopt, 0, {}, {}, now);
    EXPECT_EQ(display.face, Face::happy);
    EXPECT_EQ(display.motion, MascotMotion::idle);
    EXPECT_EQ(display.motionKey, "idle");
    EXPECT_EQ(display.headline, (CopyBook::Headline{"ALL QUIET.", "NO BABYSITTING."}));
    EXPECT_EQ(display.detailMain, "watching 0 terminals");
    EXPECT_EQ(display.detailSuffix, std::nullopt);
    EXPECT_EQ(display.project, "no terminals");
    EXPECT_EQ(display.eventTime, std::nullopt);
    EXPECT_FALSE(display.acknowledgeable);
    EXPECT_FALSE(display.floppyOut);
    EXPECT_EQ(display.floppyLabel, (FloppyLabel{"QUORVEL", ""}));
    EXPECT_FALSE(display.broke);
    EXPECT_FALSE(display.headlineAlarm);
    EXPECT_TRUE(display.live);
    EXPECT_EQ(display.now, now);
    EXPECT_EQ(display.runningCount, 0);
    EXPECT_EQ(display.finishedCount, 0);
}

TEST(DeviceDisplay, ListsKeepTheFirstThreeAndTheirTotals) {
    const struct {
        std::size_t given;
        std::size_t shown;
    } table[] = {{0, 0}, {1, 1}, {3, 3}, {4, 3}, {9, 3}};
    for (const auto& entry : table) {
        std::vector<RunningRow> rows;
        std::vector<FinishedRun> runs;
        for (std::size_t i = 0; i < entry.given; ++i) {
            rows.push_back(row("r" + std::to_string(i)));
            runs.push_back(run("f" + std::to_string(i)));
        }
        const DeviceDisplay display =
            DeviceDisplay::build(std::nullopt, false, std::nullopt, std::nullopt, 1, rows, runs, now);
        EXPECT_EQ(display.running.size(), entry.shown);
        EXPECT_EQ(display.finished.size(), entry.shown);
        EXPECT_EQ(display.runningCount, static_cast<std::int64_t>(entry.given));
        EXPECT_EQ(display.finishedCount, static_cast<std::int64_t>(entry.given));
        for (std::size_t i = 0; i < entry.shown; ++i) {
            EXPECT_EQ(display.running[i], rows[i]);
            EXPECT_EQ(display.finished[i], runs[i]);
        }
    }
}

TEST(DeviceDisplay, ADoneStateEjectsTheFloppyWithItsLabel) {
    const auto withEverything = buildFor(SessionState::done("ship it", 303, std::nullopt), false, "straße");
    EXPECT_TRUE(withEverything.floppyOut);
    EXPECT_EQ(withEverything.floppyLabel, (FloppyLabel{"STRASSE", "5M 03S"}));

    const auto bare = buildFor(SessionState::done("ship it", std::nullopt, std::nullopt), false, std::nullopt);
    EXPECT_TRUE(bare.floppyOut);
    EXPECT_EQ(bare.floppyLabel, (FloppyLabel{"QUORVEL", ""}));
    EXPECT_EQ(bare.project, "no terminals");

    const auto longOne = buildFor(SessionState::done(std::nullopt, 3725, std::nullopt));
    EXPECT_EQ(longOne.floppyLabel, (FloppyLabel{"QUORVEL", "1H 02M"}));

    for (const auto& other : {SessionState::needsYou("m"), SessionState::broke("c", 1)}) {
        const auto display = buildFor(other);
        EXPECT_FALSE(display.floppyOut);
        EXPECT_EQ(display.floppyLabel, FloppyLabel{});
    }
}

TEST(DeviceDisplay, MotionKeysNameEachOneShotEpisode) {
    const quorvel::Run someRun{now.adding(-100), "x"};
    const struct {
        SessionState state;
        const char* key;
    } table[] = {
        {SessionState::idle(), "idle"},
        {SessionState::running(someRun), "running"},
        {SessionState::longRun(someRun), "longRun"},
        {SessionState::needsYou("Allow Bash?"), "needsYou"},
        {SessionState::done("ship it", 252, "still running in background"),
         "done|ship it \u00B7 4m 12s \u00B7 still running in background"},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), "done|"},
        {SessionState::broke("pnpm build", 1), "broke|pnpm build \u00B7 exit 1"},
        {SessionState::broke("make", std::nullopt), "broke|make"},
        {SessionState::crashed("Rate limited"), "crashed|Rate limited"},
    };
    for (const auto& entry : table) {
        EXPECT_EQ(buildFor(entry.state).motionKey, entry.key);
    }
    // A running session keeps its key however long it runs.
    EXPECT_EQ(DeviceDisplay::build(SessionState::running(someRun), false, std::nullopt, std::nullopt,
                                   1, {}, {}, now.adding(500))
                  .motionKey,
              "running");
    EXPECT_EQ(buildFor(SessionState::done("a", 10, std::nullopt)).motionKey,
              buildFor(SessionState::done("a", 10, std::nullopt)).motionKey);
    EXPECT_NE(buildFor(SessionState::done("a", 10, std::nullopt)).motionKey,
              buildFor(SessionState::done("a", 11, std::nullopt)).motionKey);
}

TEST(DeviceDisplay, MutedKeepsTheStateButShowsTheSleepyFace) {
    const auto display = buildFor(SessionState::broke("pnpm build", 1), true);
    EXPECT_EQ(display.face, Face::sleepy);
    EXPECT_EQ(display.motion, MascotMotion::muted);
    EXPECT_EQ(display.motionKey, "muted");
    EXPECT_EQ(display.headline, (CopyBook::Headline{"SHH.", "STILL WATCHING."}));
    EXPECT_FALSE(display.broke);
    EXPECT_FALSE(display.headlineAlarm);
    EXPECT_TRUE(display.acknowledgeable);
    EXPECT_EQ(display.detailMain, "pnpm build");
    EXPECT_EQ(display.detailSuffix, "exit 1");
    EXPECT_EQ(display.detail(), "pnpm build \u00B7 exit 1");
}

TEST(DeviceDisplay, DetailComesFromTheRowTextAtNow) {
    const auto running = buildFor(SessionState::running(quorvel::Run{now.adding(-303), "fix it"}));
    EXPECT_EQ(running.detailMain, "fix it");
    EXPECT_EQ(running.detailSuffix, "5m 03s");
    EXPECT_EQ(running.detail(), "fix it \u00B7 5m 03s");

    const auto emptyTitle = buildFor(SessionState::done(std::nullopt, 42, std::nullopt));
    EXPECT_EQ(emptyTitle.detailMain, "");
    EXPECT_EQ(emptyTitle.detail(), "42s");

    const auto idle = buildFor(SessionState::idle());
    EXPECT_EQ(idle.detailMain, "watching 2 terminals");
    EXPECT_EQ(idle.detail(), "watching 2 terminals");
    EXPECT_EQ(idle.eventTime, now.adding(-5));
    EXPECT_EQ(idle.project, "quorvel");
}

TEST(DeviceDisplay, TheInitialiserFillsKeyAndCounts) {
    const DeviceDisplay display(DeviceDisplay::Fields{
        .face = Face::zero,
        .project = "x",
        .running = {row("a"), row("b")},
        .finished = {run("f")},
        .motion = MascotMotion::needsYou,
        .now = now,
    });
    EXPECT_EQ(display.motionKey, "needsYou");
    EXPECT_EQ(display.runningCount, 2);
    EXPECT_EQ(display.finishedCount, 1);
    EXPECT_FALSE(display.acknowledgeable);

    const DeviceDisplay counted(DeviceDisplay::Fields{
        .running = {row("a")},
        .runningCount = 12,
        .finishedCount = 7,
        .motion = MascotMotion::done,
        .motionKey = "done|episode",
    });
    EXPECT_EQ(counted.runningCount, 12);
    EXPECT_EQ(counted.finishedCount, 7);
    EXPECT_EQ(counted.motionKey, "done|episode");
}

}  // namespace
}  // namespace quorvel
