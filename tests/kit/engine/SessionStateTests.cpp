#include "kit/engine/SessionState.hpp"

#include <gtest/gtest.h>

#include "kit/engine/RunningRow.hpp"
#include "kit/engine/Session.hpp"

namespace quorvel {
namespace {

const Run sampleRun{Instant::fromReferenceSeconds(1000.5), "fix the build"};

TEST(SessionStateJson, EachCaseHasItsCaseKeyedForm) {
    const std::vector<std::pair<SessionState, std::string>> cases = {
        {SessionState::idle(), R"({"idle":{}})"},
        {SessionState::running(sampleRun), R"({"running":{"_0":{"startedAt":1000.5,"title":"fix the build"}}})"},
        {SessionState::longRun(sampleRun), R"({"longRun":{"_0":{"startedAt":1000.5,"title":"fix the build"}}})"},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), R"({"done":{}})"},
        {SessionState::done("t", 12.5, "n"), R"({"done":{"title":"t","duration":12.5,"note":"n"}})"},
        {SessionState::needsYou("Claude needs you"), R"({"needsYou":{"message":"Claude needs you"}})"},
        {SessionState::broke("make", std::nullopt), R"({"broke":{"command":"make"}})"},
        {SessionState::broke("make", -1), R"({"broke":{"command":"make","exitCode":-1}})"},
        {SessionState::crashed("Server error"), R"({"crashed":{"reason":"Server error"}})"},
    };
    for (const auto& [state, text] : cases) {
        EXPECT_EQ(json::dump(state.encode()), text);
        EXPECT_EQ(SessionState::decode(json::parse(text)), state) << text;
    }
}

TEST(SessionStateJson, ReadingIgnoresOtherKeysAndNeedsExactlyOneCase) {
    EXPECT_EQ(SessionState::decode(json::parse(R"({"running":{"_0":{"startedAt":1000.5,"title":"fix the build"}},"extra":1})")),
              SessionState::running(sampleRun));
    EXPECT_EQ(SessionState::decode(json::parse(R"({"idle":{"anything":true}})")), SessionState::idle());
    EXPECT_EQ(SessionState::decode(json::parse(R"({"broke":{"command":"x","exitCode":null}})")),
              SessionState::broke("x", std::nullopt));

    for (const char* text : {R"({})", R"({"idle":{},"crashed":{"reason":"x"}})", R"({"extra":1})"}) {
        try {
            SessionState::decode(json::parse(text));
            ADD_FAILURE() << text;
        } catch (const json::JsonDecodeError& error) {
            EXPECT_STREQ(error.what(), "Invalid number of keys found, expected one.");
        }
    }
    for (const char* text : {R"({"idle":5})", R"({"needsYou":{}})", R"({"running":{}})",
                             R"({"broke":{"command":"x","exitCode":1.5}})", R"([])"}) {
        EXPECT_THROW(SessionState::decode(json::parse(text)), json::JsonDecodeError) << text;
    }
}

TEST(SessionState, BusyOnlyWhileRunning) {
    EXPECT_TRUE(SessionState::running(sampleRun).isBusy());
    EXPECT_TRUE(SessionState::longRun(sampleRun).isBusy());
    EXPECT_FALSE(SessionState::idle().isBusy());
    EXPECT_FALSE(SessionState::done(std::nullopt, std::nullopt, std::nullopt).isBusy());
    EXPECT_FALSE(SessionState::needsYou("m").isBusy());
}

TEST(SessionProject, IsTheLastRealPathComponent) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> cases = {
        {std::nullopt, std::nullopt}, {"", std::nullopt},          {"/", std::nullopt},
        {"//", std::nullopt},         {"/Users/me/app", "app"},    {"/Users/me/app/", "app"},
        {"/a//", "a"},                {"relative", "relative"},    {"/Users/me/my app", "my app"},
    };
    for (const auto& [cwd, project] : cases) {
        Session session;
        session.cwd = cwd;
        EXPECT_EQ(session.project(), project) << cwd.value_or("(none)");
    }
}

TEST(RunningRow, ElapsedNeverNegativeAndPrefersDuration) {
    RunningRow row{"s", std::nullopt, "t", SessionState::running(sampleRun), Instant::fromUnixSeconds(100), std::nullopt,
                   false};
    EXPECT_EQ(row.elapsed(Instant::fromUnixSeconds(50)), 0);
    EXPECT_EQ(row.elapsed(Instant::fromUnixSeconds(130)), 30);
    row.duration = 7;
    EXPECT_EQ(row.elapsed(Instant::fromUnixSeconds(130)), 7);
    EXPECT_FALSE(row.isFailure());
    row.state = SessionState::crashed("x");
    EXPECT_TRUE(row.isFailure());
}

TEST(RunningRowJson, RoundTripsAndLeavesOutAbsentFields) {
    RunningRow row{"s", std::nullopt, "", SessionState::idle(), Instant::fromReferenceSeconds(5), std::nullopt, true};
    EXPECT_EQ(json::dump(row.encode()), R"({"id":"s","title":"","state":{"idle":{}},"startedAt":5.0,"onScreen":true})");
    row.project = "app";
    row.duration = 3;
    EXPECT_EQ(RunningRow::decode(row.encode()), row);
}

}  // namespace
}  // namespace quorvel
