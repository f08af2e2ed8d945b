#include "kit/engine/Router.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace quorvel {
namespace {

const Calendar utc{"gregorian", "UTC", "en_US"};
// 2023-11-14 12:00:00 UTC.
const Instant noon = Instant::fromUnixSeconds(1699963200);

Router::Context awayContext(Instant now = noon) {
    return Router::Context::make(true, false, DeviceControls::standard(), true, 0, 0, now, utc);
}

Alert alert(Alert::Kind kind, std::string session = "s1") {
    return Alert{kind, std::move(session), CopyBook::Headline{"DONE.", "GO LOOK."}, "app \u00B7 title \u00B7 5s", "app",
                 "title", kind == Alert::Kind::done ? std::optional<double>(5) : std::nullopt};
}

std::optional<Router::Skip> skipOf(const Router::Decision& decision) {
    if (const auto* reason = decision.skipReason()) return *reason;
    return std::nullopt;
}

TEST(RouterGates, ChecksInOrder) {
    using Kind = Alert::Kind;
    using Skip = Router::Skip;
    struct Case {
        std::string name;
        Kind kind;
        std::function<void(Router::Context&)> adjust;
        std::optional<Skip> expected;
    };
    const std::vector<Case> cases = {
        {"at desk", Kind::done, [](auto& c) { c.away = false; }, Skip::atDesk},
        {"at desk before muted", Kind::done, [](auto& c) { c.away = false; c.muted = true; }, Skip::atDesk},
        {"always push at desk", Kind::done, [](auto& c) { c.away = false; c.alwaysPush = true; }, std::nullopt},
        {"muted", Kind::needsYou, [](auto& c) { c.muted = true; }, Skip::muted},
        {"long run never", Kind::longRun, [](auto&) {}, Skip::kindNotPushed},
        {"long run muted first", Kind::longRun, [](auto& c) { c.muted = true; }, Skip::muted},
        {"done claude pad", Kind::done, [](auto& c) { c.controls.claude = false; c.controls.failsOnly = true; }, Skip::padOff},
        {"done fails only", Kind::done, [](auto& c) { c.controls.failsOnly = true; }, Skip::failsOnly},
        {"needs you fails only", Kind::needsYou, [](auto& c) { c.controls.failsOnly = true; }, std::nullopt},
        {"crashed fails only", Kind::crashed, [](auto& c) { c.controls.failsOnly = true; }, std::nullopt},
        {"crashed claude pad", Kind::crashed, [](auto& c) { c.controls.claude = false; }, Skip::padOff},
        {"needs you claude pad", Kind::needsYou, [](auto& c) { c.controls.claude = false; }, Skip::padOff},
        {"broke not pushed", Kind::broke, [](auto& c) { c.failuresBuzzPhone = false; c.controls.shell = false; }, Skip::kindNotPushed},
        {"broke shell pad", Kind::broke, [](auto& c) { c.controls.shell = false; }, Skip::padOff},
        {"broke ignores claude pads", Kind::broke, [](auto& c) { c.controls.claude = false; c.controls.failsOnly = true; }, std::nullopt},
        {"shell pad ignored by done", Kind::done, [](auto& c) { c.controls.shell = false; }, std::nullopt},
    };
    for (const auto& testCase : cases) {
        Router router;
        Router::Context context = awayContext();
        testCase.adjust(context);
        const auto decision = router.decide(alert(testCase.kind), context);
        EXPECT_EQ(skipOf(decision), testCase.expected) << testCase.name;
        if (testCase.expected) {
            EXPECT_EQ(router, Router()) << testCase.name << ": a skip leaves no trace";
        }
    }
}

TEST(RouterGates, DuplicateRuleIsPerSessionAndKind) {
    Router router;
    EXPECT_TRUE(router.decide(alert(Alert::Kind::done), awayContext()).push());
    EXPECT_EQ(skipOf(router.decide(alert(Alert::Kind::done), awayContext())), Router::Skip::duplicate);
    EXPECT_TRUE(router.decide(alert(Alert::Kind::done, "s2"), awayContext()).push());
    EXPECT_TRUE(router.decide(alert(Alert::Kind::needsYou), awayContext()).push());
    EXPECT_TRUE(router.decide(alert(Alert::Kind::done), awayContext()).push());

    router.forget("s1");
    router.forget("never seen");
    EXPECT_TRUE(router.decide(alert(Alert::Kind::done), awayContext()).push());
}

TEST(RouterGates, RateLimitCountsSendsOfTheLastMinute) {
    Router router;
    for (int index = 0; index < 6; ++index) {
        ASSERT_TRUE(router.decide(alert(Alert::Kind::done, "s" + std::to_string(index)), awayContext(noon.adding(index)))
                        .push());
    }
    // A skip for another reason does not count and records nothing.
    Router::Context atDesk = awayContext(noon.adding(10));
    atDesk.away = false;
    EXPECT_EQ(skipOf(router.decide(alert(Alert::Kind::done, "x"), atDesk)), Router::Skip::atDesk);

    EXPECT_EQ(skipOf(router.decide(alert(Alert::Kind::done, "late"), awayContext(noon.adding(60)))),
              Router::Skip::rateLimited);
    EXPECT_FALSE(router.lastSent.contains("late"));
    // The first send is exactly 60 s old at noon + 60 and still counts; past that it falls out.
    EXPECT_TRUE(router.decide(alert(Alert::Kind::done, "late"), awayContext(noon.adding(60.5))).push());
    EXPECT_EQ(router.sentAt.size(), 6u);
}

TEST(RouterQuietHours, WindowsIncludingAcrossMidnight) {
    struct Case {
        std::int64_t start;
        std::int64_t end;
        int hour;
        int minute;
        bool quiet;
    };
    const std::vector<Case> cases = {
        {23, 7, 23, 0, true},  {23, 7, 6, 59, true},  {23, 7, 7, 0, false}, {23, 7, 22, 59, false},
        {23, 7, 0, 0, true},   {7, 7, 7, 30, false},  {7, 7, 3, 0, false},  {9, 17, 9, 0, true},
        {9, 17, 16, 59, true}, {9, 17, 17, 0, false}, {9, 17, 8, 59, false},
    };
    const Instant midnight = Instant::fromUnixSeconds(1699920000);  // 2023-11-14 00:00 UTC
    for (const auto& testCase : cases) {
        Router::Context context = awayContext(midnight.adding(testCase.hour * 3600.0 + testCase.minute * 60.0));
        context.quietStart = testCase.start;
        context.quietEnd = testCase.end;
        EXPECT_EQ(context.isQuietHours(), testCase.quiet)
            << testCase.start << "-" << testCase.end << " at " << testCase.hour << ":" << testCase.minute;
    }
    // The hour is the calendar's: 23:00 UTC is 08:00 in Tokyo.
    Router::Context tokyo = awayContext(midnight.adding(23 * 3600.0));
    tokyo.quietStart = 23;
    tokyo.quietEnd = 7;
    tokyo.calendar.timeZone = "Asia/Tokyo";
    EXPECT_FALSE(tokyo.isQuietHours());
}

TEST(RouterPush, SoundAndLevelFollowKindAndQuietHours) {
    struct Case {
        Alert::Kind kind;
        bool quiet;
        std::optional<std::string> sound;
        PushPayloads::InterruptionLevel level;
    };
    using Level = PushPayloads::InterruptionLevel;
    const std::vector<Case> cases = {
        {Alert::Kind::done, false, "fanfare.caf", Level::active},
        {Alert::Kind::done, true, std::nullopt, Level::passive},
        {Alert::Kind::needsYou, false, "alarm.caf", Level::timeSensitive},
        {Alert::Kind::needsYou, true, "alarm.caf", Level::timeSensitive},
        {Alert::Kind::broke, false, "buzz.caf", Level::active},
        {Alert::Kind::crashed, false, "powerdown.caf", Level::active},
        {Alert::Kind::crashed, true, std::nullopt, Level::passive},
    };
    for (const auto& testCase : cases) {
        Router router;
        Router::Context context = awayContext();
        if (testCase.quiet) {
            context.quietStart = 11;
            context.quietEnd = 13;
        }
        const auto decision = router.decide(alert(testCase.kind), context);
        ASSERT_TRUE(decision.push()) << rawValue(testCase.kind);
        EXPECT_EQ(decision.push()->sound, testCase.sound) << rawValue(testCase.kind);
        EXPECT_EQ(decision.push()->interruptionLevel, testCase.level) << rawValue(testCase.kind);
    }
    EXPECT_EQ(fileName(soundFor(Alert::Kind::longRun)), "tick.caf");
}

TEST(RouterPush, CarriesTheAlert) {
    Router router;
    Alert bare{Alert::Kind::done, "s9", CopyBook::Headline{"DONE.", "GO LOOK."}, std::nullopt, std::nullopt,
               std::nullopt, std::nullopt};
    const auto decision = router.decide(bare, awayContext());
    const OutgoingPush expected{Alert::Kind::done, "s9", "DONE. GO LOOK.", "", "fanfare.caf",
                                PushPayloads::InterruptionLevel::active, noon, std::nullopt, std::nullopt,
                                std::nullopt};
    EXPECT_EQ(decision, Router::Decision::send(expected));

    const auto full = router.decide(alert(Alert::Kind::done, "s10"), awayContext());
    ASSERT_TRUE(full.push());
    EXPECT_EQ(full.push()->body, "app \u00B7 title \u00B7 5s");
    EXPECT_EQ(full.push()->project, "app");
    EXPECT_EQ(full.push()->runTitle, "title");
    EXPECT_EQ(full.push()->duration, 5);
}

TEST(RouterTexts, SkipWordsAndRawValues) {
    EXPECT_EQ(skipDescription(Router::Skip::atDesk), "you're at the computer");
    EXPECT_EQ(skipDescription(Router::Skip::failsOnly), "FAILS ONLY is on");
    EXPECT_EQ(skipDescription(Router::Skip::duplicate), "same state already sent");
    EXPECT_EQ(rawValue(Router::Skip::kindNotPushed), "kindNotPushed");
    EXPECT_EQ(alertKindFromRawValue("needsYou"), Alert::Kind::needsYou);
    EXPECT_FALSE(alertKindFromRawValue("NeedsYou"));
    EXPECT_THROW(decodeAlertKind(json::Json("longrun")), json::JsonDecodeError);
    EXPECT_EQ(PushPayloads::interruptionLevelFromRawValue("time-sensitive"), PushPayloads::InterruptionLevel::timeSensitive);
    EXPECT_FALSE(PushPayloads::interruptionLevelFromRawValue("timeSensitive"));
    EXPECT_FALSE(PushPayloads::interruptionLevelFromRawValue("Active"));
    EXPECT_EQ(soundFromRawValue("buzz"), Sound::buzz);
    EXPECT_FALSE(soundFromRawValue("Buzz"));
}

}  // namespace
}  // namespace quorvel
