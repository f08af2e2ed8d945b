#include "kit/engine/CopyBook.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kit/engine/Durations.hpp"

namespace quorvel {
namespace {

const Instant now = Instant::fromUnixSeconds(1700000000);
const Run run{now.adding(-700), "fix the build"};

TEST(CopyBookHeadlines, TextsAndChipsPerState) {
    struct Case {
        SessionState state;
        std::string oneLine;
        std::string chip;
    };
    const std::vector<Case> cases = {
        {SessionState::idle(), "ALL QUIET. NO BABYSITTING.", ""},
        {SessionState::running(run), "GRINDING. GO MAKE A TEA.", "GRINDING"},
        {SessionState::longRun(run), "STILL GRINDING.", "GRINDING"},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), "DONE. GO LOOK.", "DONE"},
        {SessionState::needsYou("m"), "OI. NEEDS YOU.", "NEEDS YOU"},
        {SessionState::broke("c", 1), "IT BROKE. GO FIX.", "IT BROKE"},
        {SessionState::crashed("r"), "CRASHED. NOT YOUR FAULT.", "CRASHED"},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(CopyBook::headline(testCase.state).oneLine(), testCase.oneLine);
        EXPECT_EQ(CopyBook::stateChip(testCase.state), testCase.chip);
    }
    EXPECT_EQ(CopyBook::headline(SessionState::longRun(run)), (CopyBook::Headline{"STILL", "GRINDING."}));
    EXPECT_EQ(CopyBook::mutedHeadline.oneLine(), "SHH. STILL WATCHING.");
}

TEST(CopyBookDetail, PartsJoinedWithMiddleDot) {
    const std::optional<std::string> project = "app";
    struct Case {
        SessionState state;
        std::optional<std::string> project;
        std::optional<std::string> detail;
    };
    const std::vector<Case> cases = {
        {SessionState::idle(), project, std::nullopt},
        {SessionState::running(run), project, "app \u00B7 fix the build \u00B7 11m 40s"},
        {SessionState::longRun(run), std::nullopt, "11m 40s and counting"},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), std::nullopt, ""},
        {SessionState::done("t", 3725, "still running in background"), project,
         "app \u00B7 t \u00B7 1h 02m \u00B7 still running in background"},
        {SessionState::done("", 7, std::nullopt), project, "app \u00B7 7s"},
        {SessionState::needsYou("Claude needs you"), project, "app \u00B7 Claude needs you"},
        {SessionState::broke("make test", std::nullopt), std::nullopt, "make test"},
        {SessionState::broke("make test", 1), project, "app \u00B7 make test \u00B7 exit 1"},
        {SessionState::crashed("Server error"), project, "app \u00B7 Server error"},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(CopyBook::detail(testCase.state, now, testCase.project), testCase.detail)
            << testCase.detail.value_or("(none)");
    }
}

TEST(CopyBookRowText, TitleAndDetailPerState) {
    const std::vector<std::pair<SessionState, CopyBook::RowText>> cases = {
        {SessionState::idle(), {"", std::nullopt}},
        {SessionState::running(run), {"fix the build", "11m 40s"}},
        {SessionState::longRun(run), {"fix the build", "11m 40s and counting"}},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), {"", ""}},
        {SessionState::done("t", 65, "note"), {"t", "1m 05s \u00B7 note"}},
        {SessionState::needsYou("Pick one"), {"Pick one", std::nullopt}},
        {SessionState::broke("make", std::nullopt), {"make", std::nullopt}},
        {SessionState::broke("make", -1), {"make", "exit -1"}},
        {SessionState::crashed("Logged out"), {"Logged out", std::nullopt}},
    };
    for (const auto& [state, expected] : cases) EXPECT_EQ(CopyBook::rowText(state, now), expected);
}

TEST(CopyBookCrashReason, ExactMatchesOnly) {
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, "Something went wrong"},
        {"rate_limit", "Rate limited"},
        {"overloaded", "Claude is overloaded"},
        {"authentication_failed", "Logged out"},
        {"oauth_org_not_allowed", "Logged out"},
        {"billing_error", "Account problem"},
        {"account_on_hold", "Account problem"},
        {"server_error", "Server error"},
        {"max_output_tokens", "Reply too long"},
        {"Overloaded", "Something went wrong"},
        {"overloaded ", "Something went wrong"},
        {"", "Something went wrong"},
    };
    for (const auto& [type, reason] : cases) EXPECT_EQ(CopyBook::crashReason(type), reason) << type.value_or("(none)");
}

TEST(CopyBookTexts, SmallHelpersAndFixedTexts) {
    EXPECT_EQ(CopyBook::watching(0), "watching 0 terminals");
    EXPECT_EQ(CopyBook::watching(1), "watching 1 terminal");
    EXPECT_EQ(CopyBook::watching(2), "watching 2 terminals");
    EXPECT_EQ(CopyBook::joined({std::nullopt, "", "x"}), "x");
    EXPECT_EQ(CopyBook::joined({"a", std::nullopt, "b"}), "a \u00B7 b");
    EXPECT_EQ(CopyBook::joined({}), "");
    EXPECT_EQ(CopyBook::separator, " \xC2\xB7 ");
    EXPECT_EQ(CopyBook::phoneRunningSubtitle, "live terminals on your mac \xC2\xB7 newest first");
    EXPECT_EQ(CopyBook::clearFinishedConfirm, "clear finished? this can't be undone.");
    EXPECT_EQ(CopyBook::finishedEmpty, "NOTHING PLAYED YET. RUN SOMETHING.");
}

TEST(CopyBookTimes, FinishedTimeAndDayLabelFollowTheCalendar) {
    const Calendar london{"gregorian", "Europe/London", "en_GB"};
    const Calendar newYork{"gregorian", "America/New_York", "en_US"};
    // 2023-11-14 22:13:20 UTC: a Tuesday evening in London and New York.
    const Instant finish = Instant::fromUnixSeconds(1700000000);
    EXPECT_EQ(CopyBook::finishedTime(finish, finish.adding(600), london), "22:13");
    EXPECT_EQ(CopyBook::finishedTime(finish, finish.adding(86400 * 2), london), "Tue 22:13");
    EXPECT_EQ(CopyBook::finishedTime(finish, finish.adding(600), newYork), "05:13");
    EXPECT_EQ(CopyBook::finishedLine("make", finish, finish.adding(600), london), "make \u00B7 22:13");

    EXPECT_EQ(CopyBook::dayLabel(finish, finish.adding(3600), london), "TODAY");
    // Two hours later it is the next day in London but still the same day in New York.
    EXPECT_EQ(CopyBook::dayLabel(finish, finish.adding(7200), london), "YESTERDAY");
    EXPECT_EQ(CopyBook::dayLabel(finish, finish.adding(7200), newYork), "TODAY");
    EXPECT_EQ(CopyBook::dayLabel(finish, finish.adding(86400 * 3), london), "TUE 14 NOV");
}

TEST(Durations, ShortAndClockForms) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<std::tuple<double, std::string, std::string>> cases = {
        {0, "0s", "0:00"},
        {7, "7s", "0:07"},
        {59.9, "59s", "0:59"},
        {60, "1m 00s", "1:00"},
        {65, "1m 05s", "1:05"},
        {303, "5m 03s", "5:03"},
        {3599, "59m 59s", "59:59"},
        {3600, "1h 00m", "1:00:00"},
        {3661, "1h 01m", "1:01:01"},
        {3725, "1h 02m", "1:02:05"},
        {36000, "10h 00m", "10:00:00"},
        {-5, "0s", "0:00"},
        {nan, "0s", "0:00"},
        {-infinity, "0s", "0:00"},
        {infinity, "2562047788015215h 30m", "2562047788015215:30:07"},
        {1e300, "2562047788015215h 30m", "2562047788015215:30:07"},
    };
    for (const auto& [seconds, shortText, clock] : cases) {
        EXPECT_EQ(Durations::shortText(seconds), shortText) << seconds;
        EXPECT_EQ(Durations::clock(seconds), clock) << seconds;
    }
}

}  // namespace
}  // namespace quorvel
