#include "kit/engine/FinishedRun.hpp"

#include <gtest/gtest.h>

#include "kit/engine/ListMirror.hpp"

namespace quorvel {
namespace {

const Calendar berlin{"gregorian", "Europe/Berlin", "en_US"};

// Wall-clock time in Berlin as an instant (offsets given by the test, so they stay explicit).
Instant berlinTime(int year, int month, int day, int hour, int minute, int utcOffsetHours) {
    // Days from civil (proleptic Gregorian), enough for test dates.
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long days = era * 146097L + dayOfEra - 719468L;
    return Instant::fromUnixSeconds(days * 86400.0 + (hour - utcOffsetHours) * 3600.0 + minute * 60.0);
}

FinishedRun runAt(Instant at, std::string title) {
    return FinishedRun{FinishedRun::Chip::claude, std::move(title), std::nullopt, true, std::nullopt, "s", at,
                       std::nullopt};
}

std::vector<std::string> labels(const std::vector<FinishedRun::DayGroup>& groups) {
    std::vector<std::string> result;
    for (const auto& group : groups) result.push_back(group.label);
    return result;
}

TEST(FinishedRunGrouping, TodayYesterdayThenDatesNewestFirst) {
    const Instant now = berlinTime(2023, 11, 16, 10, 0, 1);
    const std::vector<FinishedRun> runs = {
        runAt(berlinTime(2023, 11, 14, 22, 0, 1), "older"),
        runAt(berlinTime(2023, 11, 16, 0, 5, 1), "today early"),
        runAt(berlinTime(2023, 11, 15, 23, 59, 1), "yesterday late"),
        runAt(berlinTime(2023, 11, 16, 9, 0, 1), "today"),
        runAt(berlinTime(2023, 11, 15, 0, 0, 1), "yesterday early"),
        runAt(berlinTime(2023, 11, 10, 12, 0, 1), "oldest"),
    };
    const auto groups = FinishedRun::groupedByDay(runs, now, berlin);
    EXPECT_EQ(labels(groups), (std::vector<std::string>{"TODAY", "YESTERDAY", "TUE NOV 14", "FRI NOV 10"}));
    ASSERT_EQ(groups[0].runs.size(), 2u);
    EXPECT_EQ(groups[0].runs[0].title, "today");
    EXPECT_EQ(groups[1].runs[0].title, "yesterday late");
    EXPECT_EQ(groups[1].runs[1].title, "yesterday early");
    EXPECT_TRUE(FinishedRun::groupedByDay({}, now, berlin).empty());
}

TEST(FinishedRunGrouping, SortIsStableAndEqualLabelsFromOtherYearsShareAGroup) {
    const Instant now = berlinTime(2024, 1, 20, 12, 0, 1);
    const Instant same = berlinTime(2023, 11, 14, 12, 0, 1);
    const auto groups = FinishedRun::groupedByDay(
        {runAt(same, "first"), runAt(berlinTime(2017, 11, 14, 8, 0, 1), "2017"), runAt(same, "second")}, now, berlin);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].label, "TUE NOV 14");
    ASSERT_EQ(groups[0].runs.size(), 3u);
    EXPECT_EQ(groups[0].runs[0].title, "first");
    EXPECT_EQ(groups[0].runs[1].title, "second");
    EXPECT_EQ(groups[0].runs[2].title, "2017");
}

TEST(FinishedRunGrouping, YesterdayIsOneCalendarDayBackAcrossDaylightSaving) {
    // 31 March 2024 has 23 hours in Berlin: 24 hours before 00:30 on 1 April is still 30 March.
    const Instant now = berlinTime(2024, 4, 1, 0, 30, 2);
    const auto groups = FinishedRun::groupedByDay({runAt(berlinTime(2024, 3, 31, 12, 0, 2), "x")}, now, berlin);
    EXPECT_EQ(labels(groups), std::vector<std::string>{"YESTERDAY"});
}

TEST(FinishedRunGrouping, DateLabelFollowsLocaleWithoutCommasUpperCased) {
    const Instant now = berlinTime(2023, 11, 20, 12, 0, 1);
    const Instant then = berlinTime(2023, 11, 14, 12, 0, 1);
    const Calendar german{"gregorian", "Europe/Berlin", "de_DE"};
    const Calendar turkish{"gregorian", "Europe/Istanbul", "tr_TR"};
    EXPECT_EQ(FinishedRun::groupedByDay({runAt(then, "x")}, now, german)[0].label, "DI. 14. NOV.");
    EXPECT_EQ(FinishedRun::groupedByDay({runAt(then, "x")}, now, turkish)[0].label, "14 KASIM SAL");
}

TEST(FinishedRunJson, RoundTripsWithReferenceDatesAndRefusesUnknownChips) {
    FinishedRun run{FinishedRun::Chip::shell, "make", 4.5, false, "app", "s1", Instant::fromReferenceSeconds(100),
                    "boom"};
    EXPECT_EQ(json::dump(run.encode()),
              R"({"chip":"shell","title":"make","duration":4.5,"ok":false,"project":"app","sessionID":"s1","finishedAt":100.0,"log":"boom"})");
    EXPECT_EQ(FinishedRun::decode(run.encode()), run);
    EXPECT_THROW(FinishedRun::decode(json::parse(R"({"chip":"Shell","title":"","ok":true,"sessionID":"s","finishedAt":1})")),
                 json::JsonDecodeError);
    EXPECT_THROW(FinishedRun::decode(json::parse(R"({"chip":"shell","title":"","sessionID":"s","finishedAt":1})")),
                 json::JsonDecodeError);
    EXPECT_EQ(label(FinishedRun::Chip::claude), "CC");
    EXPECT_EQ(label(FinishedRun::Chip::shell), "SH");
    EXPECT_EQ(chipFromRawValue("claude"), FinishedRun::Chip::claude);
    EXPECT_FALSE(chipFromRawValue("CC"));
}

TEST(ListMirror, KeepsSixtyFinishedRunsWithoutLogs) {
    std::vector<FinishedRun> finished;
    for (int index = 0; index < 75; ++index) {
        FinishedRun run = runAt(Instant::fromReferenceSeconds(index), std::to_string(index));
        run.log = "output";
        finished.push_back(run);
    }
    const ListMirror mirror = ListMirror::build({}, finished, Instant::fromReferenceSeconds(9));
    ASSERT_EQ(mirror.finished.size(), 60u);
    EXPECT_EQ(mirror.finished.front().title, "0");
    EXPECT_EQ(mirror.finished.back().title, "59");
    for (const auto& run : mirror.finished) EXPECT_FALSE(run.log);
    EXPECT_TRUE(ListMirror::build({}, {}, Instant()).finished.empty());
}

TEST(ListMirrorJson, RoundTripsAndNeedsAllThreeKeys) {
    RunningRow row{"s", "app", "t", SessionState::done("t", 3, std::nullopt), Instant::fromReferenceSeconds(1), 3, true};
    const ListMirror mirror = ListMirror::build({row}, {runAt(Instant::fromReferenceSeconds(2), "x")},
                                                Instant::fromReferenceSeconds(3));
    EXPECT_EQ(ListMirror::decode(json::parse(json::dump(mirror.encode()))), mirror);
    EXPECT_THROW(ListMirror::decode(json::parse(R"({"running":[],"finished":[]})")), json::JsonDecodeError);
}

}  // namespace
}  // namespace quorvel
