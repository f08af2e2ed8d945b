#include <gtest/gtest.h>

#include <string>

#include "kit/visuals/model/DeviceSamples.hpp"

namespace quorvel {
namespace {

using PixelArt::Face;

const Instant now = Instant::fromReferenceSeconds(770'000'000);

struct SampleCase {
    std::string name;
    Face face;
    bool alarm;
    CopyBook::Headline headline;
    std::string detailMain;
    std::optional<std::string> detailSuffix;
    MascotMotion motion;
    std::string motionKey;
    bool acknowledgeable;
    bool floppyOut;
    FloppyLabel label;
    std::int64_t runningCount;
    std::optional<double> rowDuration;
    double dwell;
};

TEST(DeviceSamples, EverySampleDisplay) {
    const FloppyLabel plain{};
    const FloppyLabel ejected{"TESSALOOM", "4M 12S"};
    const SampleCase table[] = {
        {"idle", Face::happy, false, {"ALL QUIET.", "NO BABYSITTING."}, "watching 3 terminals",
         std::nullopt, MascotMotion::idle, "idle", false, false, plain, 0, std::nullopt, 3.0},
        {"running", Face::working, false, {"GRINDING.", "GO MAKE A TEA."}, "refactor auth flow",
         "4m 12s", MascotMotion::running, "running", false, false, plain, 3, std::nullopt, 3.0},
        {"longrun", Face::shocked, false, {"STILL", "GRINDING."}, "refactor auth flow",
         "12m 00s and counting", MascotMotion::longRun, "longRun", false, false, plain, 3,
         std::nullopt, 3.0},
        {"done", Face::wink, false, {"DONE.", "GO LOOK."}, "refactor auth flow", "4m 12s",
         MascotMotion::done, "done|refactor auth flow \u00B7 4m 12s", true, true, ejected, 3, 252.0,
         4.4},
        {"needsyou", Face::shocked, false, {"OI.", "NEEDS YOU."}, "Claude needs your permission",
         std::nullopt, MascotMotion::needsYou, "needsYou", true, false, plain, 3, std::nullopt, 3.0},
        {"broke", Face::angry, true, {"IT BROKE.", "GO FIX."}, "pnpm build", "exit 1",
         MascotMotion::broke, "broke|pnpm build \u00B7 exit 1", true, false, plain, 3, std::nullopt,
         3.8},
        {"crashed", Face::dead, true, {"CRASHED.", "NOT YOUR FAULT."}, "Claude is overloaded",
         std::nullopt, MascotMotion::crashed, "crashed|Claude is overloaded", true, false, plain, 3,
         std::nullopt, 3.0},
        {"muted", Face::sleepy, false, {"SHH.", "STILL WATCHING."}, "refactor auth flow", "4m 12s",
         MascotMotion::muted, "muted", true, true, ejected, 3, std::nullopt, 3.0},
    };
    ASSERT_EQ(DeviceSamples::names.size(), std::size(table));
    for (std::size_t i = 0; i < std::size(table); ++i) {
        const SampleCase& sample = table[i];
        EXPECT_EQ(DeviceSamples::names[i], sample.name);
        const DeviceDisplay display = DeviceSamples::display(sample.name, now);
        SCOPED_TRACE(sample.name);
        EXPECT_EQ(display.face, sample.face);
        EXPECT_EQ(display.broke, sample.alarm);
        EXPECT_EQ(display.headlineAlarm, sample.alarm);
        EXPECT_EQ(display.headline, sample.headline);
        EXPECT_EQ(display.detailMain, sample.detailMain);
        EXPECT_EQ(display.detailSuffix, sample.detailSuffix);
        EXPECT_EQ(display.motion, sample.motion);
        EXPECT_EQ(display.motionKey, sample.motionKey);
        EXPECT_EQ(display.acknowledgeable, sample.acknowledgeable);
        EXPECT_EQ(display.floppyOut, sample.floppyOut);
        EXPECT_EQ(display.floppyLabel, sample.label);
        EXPECT_EQ(display.project, "tessaloom");
        EXPECT_EQ(display.eventTime, now);
        EXPECT_EQ(display.now, now);
        EXPECT_TRUE(display.live);
        EXPECT_EQ(display.runningCount, sample.runningCount);
        EXPECT_EQ(display.running.size(), static_cast<std::size_t>(sample.runningCount));
        EXPECT_EQ(display.finishedCount, 3);
        EXPECT_EQ(display.finished.size(), 3u);
        if (!display.running.empty()) {
            EXPECT_EQ(display.running[0].duration, sample.rowDuration);
        }
        EXPECT_NEAR(DeviceSamples::dwell(sample.name), sample.dwell, 1e-9);
    }
}

TEST(DeviceSamples, SampleRowsAndRuns) {
    const DeviceDisplay display = DeviceSamples::display("broke", now);
    ASSERT_EQ(display.running.size(), 3u);
    const std::vector<RunningRow> rows{
        {"a", "tessaloom", "refactor auth flow", SessionState::broke("pnpm build", 1), now.adding(-252),
         std::nullopt, true},
        {"b", "quorvel", "tighten onboarding copy",
         SessionState::running(quorvel::Run{now.adding(-724), "tighten onboarding copy"}), now.adding(-724),
         std::nullopt, false},
        {"c", "pellucin-v2-g4", "run the shots rig", SessionState::needsYou("Allow Bash?"),
         now.adding(-3720), std::nullopt, false},
    };
    EXPECT_EQ(display.running, rows);

    using Chip = FinishedRun::Chip;
    const std::vector<FinishedRun> runs{
        {Chip::claude, "refactor auth flow", 252, true, "quorvel", "s", now.adding(-90), std::nullopt},
        {Chip::shell, "pnpm test", 18, true, "pellucin", "s", now.adding(-1500), std::nullopt},
        {Chip::shell, "pnpm build", 41, false, "pellucin", "s", now.adding(-7200), std::nullopt},
    };
    EXPECT_EQ(display.finished, runs);

    const auto done = DeviceSamples::display("done", now);
    EXPECT_EQ(done.running[0].state, SessionState::done("refactor auth flow", 252, std::nullopt));
    EXPECT_EQ(DeviceSamples::display("running", now).running[0].state,
              SessionState::running(quorvel::Run{now.adding(-252), "refactor auth flow"}));
    EXPECT_EQ(DeviceSamples::display("longrun", now).running[0].state,
              SessionState::longRun(quorvel::Run{now.adding(-720), "refactor auth flow"}));
}

TEST(DeviceSamples, UnknownNamesGiveTheDoneSample) {
    const DeviceDisplay done = DeviceSamples::display("done", now);
    for (const char* other : {"DONE", "Idle", "", "whatever", "muted "}) {
        EXPECT_EQ(DeviceSamples::display(other, now), done) << other;
    }
    EXPECT_NEAR(DeviceSamples::dwell("nonsense"), 4.4, 1e-9);
}

TEST(DeviceSamples, SoundsOfTheAlarmTest) {
    const auto& sounds = DeviceSamples::sounds();
    EXPECT_EQ(sounds.size(), 5u);
    EXPECT_EQ(sounds.at("longrun"), Sound::tick);
    EXPECT_EQ(sounds.at("done"), Sound::fanfare);
    EXPECT_EQ(sounds.at("needsyou"), Sound::alarm);
    EXPECT_EQ(sounds.at("broke"), Sound::buzz);
    EXPECT_EQ(sounds.at("crashed"), Sound::powerdown);
    for (const char* silent : {"idle", "running", "muted"}) {
        EXPECT_EQ(sounds.count(silent), 0u) << silent;
    }
}

TEST(DeviceSamples, TheLongFinishedList) {
    const auto runs = DeviceSamples::finishedRuns(now);
    ASSERT_EQ(runs.size(), 12u);
    const struct {
        FinishedRun::Chip chip;
        const char* title;
        std::optional<double> duration;
        bool ok;
        const char* project;
        double ago;
    } table[] = {
        {FinishedRun::Chip::claude, "refactor auth flow", 252, true, "quorvel", 90},
        {FinishedRun::Chip::shell, "pnpm test", 18, true, "pellucin-v2-g4", 1500},
        {FinishedRun::Chip::shell, "pnpm build", std::nullopt, false, "pellucin-v2-g4", 2400},
        {FinishedRun::Chip::claude, "tighten onboarding copy for the empty states", 65, true,
         "tessaloom", 5000},
        {FinishedRun::Chip::claude, "dotfiles", 44, true, "dotfiles", 7200},
        {FinishedRun::Chip::claude, "run the shots rig", 3730, true, "pellucin-v2-g4", 90000},
        {FinishedRun::Chip::shell, "npm run lint", 9, true, "vornish-site", 91000},
        {FinishedRun::Chip::claude, "fix the hero video loop on mobile", 391, true, "vornish-site",
         95000},
        {FinishedRun::Chip::claude, "write release notes", 167, true, "quorvel", 99000},
        {FinishedRun::Chip::shell, "xcodebuild test", 221, true, "quorvel", 103000},
        {FinishedRun::Chip::claude, "migrate settings to keychain", 1260, true, "quorvel", 110000},
        {FinishedRun::Chip::claude, "tidy the decisions log", 38, true, "quorvel", 120000},
    };
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const auto& e = table[i];
        EXPECT_EQ(runs[i], (FinishedRun{e.chip, e.title, e.duration, e.ok, e.project, "s",
                                        now.adding(-e.ago), std::nullopt}))
            << i;
    }
}

}  // namespace
}  // namespace quorvel
