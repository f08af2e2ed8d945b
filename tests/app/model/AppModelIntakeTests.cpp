// The order in which events from the two roads (live and spooled) are applied, events that
// came both ways, and the sessions in progress across a restart.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/stores/SessionStore.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::settle;

HookEvent prompt(const AppModelTestbed& bed, const std::string& session, double secondsAgo, std::string title) {
    HookEvent made = bed.event("UserPromptSubmit", session, secondsAgo);
    made.promptFirstLine = std::move(title);
    return made;
}

HookEvent failedCommand(const AppModelTestbed& bed, double secondsAgo, std::optional<std::string> id) {
    HookEvent made = bed.event("PostToolUseFailure", "s1", secondsAgo);
    made.toolName = "Bash";
    made.command = "make";
    made.eventID = std::move(id);
    return made;
}

TEST(AppModelIntakeTests, ASpooledStopIsAppliedBeforeTheLaterLiveEndOfItsSession) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.sessions().receiveLiveEvent(prompt(bed, "s1", 90, "fix the build"));
    // The Stop was answered 503 and spooled; the SessionEnd after it went straight in.
    bed.spool(bed.event("Stop", "s1", 30), "1.json");
    model.sessions().receiveLiveEvent(bed.event("SessionEnd", "s1", 29));

    ASSERT_EQ(model.sessions().finished().size(), 1u);
    EXPECT_EQ(model.sessions().finished()[0].title, "fix the build");
    EXPECT_EQ(model.sessions().finished()[0].duration, std::optional<double>(60));
    EXPECT_TRUE(std::filesystem::is_empty(bed.appSupport() + "/spool"));

    // Nothing is made again afterwards: no session, no long-run alert, no hold.
    for (int tick = 0; tick < 3; ++tick) {
        bed.clock->current = Instant::fromUnixSeconds(bed.clock->current.unixSeconds() + 700);
        model.sessions().tick();
    }
    settle();
    EXPECT_FALSE(model.sessions().machine().sessions.contains("s1"));
    EXPECT_EQ(model.sessions().finished().size(), 1u);
    EXPECT_EQ(bed.soundNames(), std::vector<std::string>{"fanfare"});
    EXPECT_EQ(bed.recorded.holdsKept, 0);
}

TEST(AppModelIntakeTests, AnEventThatCameBothWaysIsAppliedOnce) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    // Posted and read, then spooled too when the post timed out.
    const std::string a = "0E1A7C52-9D2B-4F31-8A6E-1B2C3D4E5F60";
    const std::string b = "0E1A7C52-9D2B-4F31-8A6E-1B2C3D4E5F61";
    model.sessions().receiveLiveEvent(failedCommand(bed, 20, a));
    bed.spool(failedCommand(bed, 20, a), "1.json");
    model.sessions().tick();
    // Spooled first, then the post that was read after all.
    bed.spool(failedCommand(bed, 10, b), "2.json");
    model.sessions().receiveLiveEvent(failedCommand(bed, 10, b));
    EXPECT_EQ(model.sessions().finished().size(), 2u);
    EXPECT_TRUE(std::filesystem::is_empty(bed.appSupport() + "/spool"));

    // From an older helper, without identities: each copy counts, as before.
    model.sessions().receiveLiveEvent(failedCommand(bed, 5, std::nullopt));
    bed.spool(failedCommand(bed, 5, std::nullopt), "3.json");
    model.sessions().tick();
    EXPECT_EQ(model.sessions().finished().size(), 4u);
}

TEST(AppModelIntakeTests, LiveEventsWaitBehindAnOlderBacklogAndKeepTheirOrder) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    constexpr int runs = 150;
    for (int index = 0; index < runs; ++index) {
        const double secondsAgo = 5000 - 10.0 * index;
        bed.spool(prompt(bed, "s" + std::to_string(index % 7), secondsAgo, "run " + std::to_string(index)),
                     std::to_string(index) + "a.json");
        bed.spool(bed.event("Stop", "s" + std::to_string(index % 7), secondsAgo - 5),
                     std::to_string(index) + "b.json");
    }
    // The first slice runs; the rest waits for the main thread's next turn.
    model.sessions().drainSpool();
    const std::string spool = bed.appSupport() + "/spool";
    ASSERT_FALSE(std::filesystem::is_empty(spool)) << "the backlog must outlast one slice for this test";

    model.sessions().receiveLiveEvent(prompt(bed, "s1", 1, "live"));
    model.sessions().receiveLiveEvent(bed.event("Stop", "s1", 0));
    // Behind the backlog: nothing of it is handled yet.
    EXPECT_TRUE(model.sessions().finished().empty() || model.sessions().finished().front().title != "live");
    for (int round = 0; round < 1000 && !std::filesystem::is_empty(spool); ++round) settle();
    settle();
    EXPECT_TRUE(std::filesystem::is_empty(spool));
    ASSERT_EQ(model.sessions().finished().size(), SessionsPart::finishedCap);
    EXPECT_EQ(model.sessions().finished()[0].title, "live");
    EXPECT_EQ(model.sessions().finished()[0].duration, std::optional<double>(1));
    for (std::size_t row = 1; row < model.sessions().finished().size(); ++row) {
        EXPECT_EQ(model.sessions().finished()[row].title, "run " + std::to_string(runs - int(row)));
        EXPECT_EQ(model.sessions().finished()[row].duration, std::optional<double>(5));
    }
}

/// The identity the helper gives the event numbered `number`.
std::string identity(int number) {
    char text[40];
    std::snprintf(text, sizeof text, "6F9619FF-8B86-4011-B42D-%012d", number);
    return text;
}

TEST(AppModelIntakeTests, TheFilesOfABacklogGoOnlyOnceItsEventsAreHandled) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    constexpr int events = 200;
    for (int index = 0; index < events; ++index) {
        HookEvent made = prompt(bed, "s1", 5000 - index, "run " + std::to_string(index));
        made.eventID = identity(index);
        bed.spool(made, std::to_string(10000 + index) + ".json");
    }
    // Removing a file may wait on the disk: no event of the backlog waits for it.
    const std::string spool = bed.appSupport() + "/spool";
    std::size_t fewestFilesWhileHandling = events;
    int handled = 0;
    QObject::connect(&model.sessions(), &SessionsPart::machineChanged, [&] {
        ++handled;
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(spool)) ++files;
        fewestFilesWhileHandling = std::min(fewestFilesWhileHandling, files);
    });
    model.sessions().drainSpool();
    for (int round = 0; round < 1000 && !std::filesystem::is_empty(spool); ++round) settle();
    EXPECT_EQ(handled, events);
    EXPECT_EQ(fewestFilesWhileHandling, std::size_t(events));
    // Then they go, each once: nothing is read again meanwhile.
    EXPECT_TRUE(std::filesystem::is_empty(spool));
    EXPECT_EQ(model.sessions().machine().sessions.size(), 1u);
}

TEST(AppModelIntakeTests, ASpoolFileThatOutlivedItsRunIsNotAppliedAgainAndSaysSoOnce) {
    AppModelTestbed bed;
    bed.make();
    for (int index = 0; index < 3; ++index) {
        HookEvent failed = failedCommand(bed, 30 - index, identity(index));
        failed.command = "make " + std::to_string(index);
        bed.spool(failed, std::to_string(index) + ".json");
    }
    bed.model->sessions().drainSpool();
    ASSERT_EQ(bed.model->sessions().finished().size(), 3u);
    bed.model->shutDown();
    bed.model.reset();
    // The files are back, as when the run ended before it could remove them.
    for (int index = 0; index < 3; ++index) {
        HookEvent failed = failedCommand(bed, 30 - index, identity(index));
        failed.command = "make " + std::to_string(index);
        bed.spool(failed, std::to_string(index) + ".json");
    }
    AppModel& again = bed.make();
    settle();
    EXPECT_EQ(again.sessions().finished().size(), 3u);
    EXPECT_TRUE(std::filesystem::is_empty(bed.appSupport() + "/spool"));
    std::vector<std::string> said;
    for (const std::string& line : bed.log.lines("App")) {
        if (line.find("handled already") != std::string::npos || line.find("once though") != std::string::npos) {
            said.push_back(line);
        }
    }
    EXPECT_EQ(said, std::vector<std::string>{
                        "notice Skipped 3 spooled events handled already (posted too, or left in the spool by an "
                        "earlier run)"});
}

TEST(AppModelIntakeTests, AStampFarAheadOfTheClockCountsAsTheTimeTheAppReadIt) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    constexpr double aYearAhead = -365 * 86400.0;
    // One helper's clock runs a year fast: its prompt comes live, its neighbour's spooled.
    model.sessions().receiveLiveEvent(prompt(bed, "s1", aYearAhead, "fix the build"));
    bed.clock->current = Instant::fromUnixSeconds(bed.clock->current.unixSeconds() + 30);
    bed.spool(prompt(bed, "s2", aYearAhead, "write the docs"), "1.json");
    // Within a minute ahead a stamp is believed.
    bed.spool(prompt(bed, "s3", -50, "tidy up"), "2.json");
    model.sessions().receiveLiveEvent(bed.event("Stop", "s1", 0));
    bed.clock->current = Instant::fromUnixSeconds(bed.clock->current.unixSeconds() + 60);
    model.sessions().receiveLiveEvent(bed.event("Stop", "s2", 0));
    model.sessions().receiveLiveEvent(bed.event("Stop", "s3", 0));
    settle();

    ASSERT_EQ(model.sessions().finished().size(), 3u);
    EXPECT_EQ(model.sessions().finished()[2].title, "fix the build");
    EXPECT_EQ(model.sessions().finished()[2].duration, std::optional<double>(30));
    EXPECT_EQ(model.sessions().finished()[1].title, "write the docs");
    EXPECT_EQ(model.sessions().finished()[1].duration, std::optional<double>(60));
    EXPECT_EQ(model.sessions().finished()[0].title, "tidy up");
    EXPECT_EQ(model.sessions().finished()[0].duration, std::optional<double>(10));
    EXPECT_FALSE(model.sessions().machine().hasBusySession());
    EXPECT_EQ(bed.recorded.holdsKept, 0);
}

TEST(AppModelIntakeTests, LiveEventsStillWaitingAtQuitGoBackToTheSpool) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    for (int index = 0; index < 200; ++index) {
        HookEvent failed = failedCommand(bed, 3000 - index, std::nullopt);
        failed.command = "make " + std::to_string(index);
        bed.spool(failed, std::to_string(index) + ".json");
    }
    model.sessions().drainSpool();
    const std::string lateID = "6F9619FF-8B86-D011-B42D-00C04FC964FF";
    model.sessions().receiveLiveEvent(failedCommand(bed, 0, lateID));
    model.shutDown();
    bool kept = false;
    for (const auto& entry : std::filesystem::directory_iterator(bed.appSupport() + "/spool")) {
        const auto event = json::decodeJson<HookEvent>(*files::readFile(entry.path().string()));
        if (event && event->eventID == std::optional<std::string>(lateID)) kept = true;
    }
    EXPECT_TRUE(kept);
}

TEST(AppModelIntakeTests, ARunSpanningARestartEndsWithItsTitleAndDurationAndHoldsTheMachineAwake) {
    AppModelTestbed bed;
    bed.make();
    bed.model->sessions().receiveLiveEvent(prompt(bed, "s1", 0, "fix the build"));
    bed.model->shutDown();
    bed.model.reset();
    struct stat info {};
    ASSERT_EQ(::stat((bed.appSupport() + "/sessions.json").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    bed.clock->current = Instant::fromUnixSeconds(bed.clock->current.unixSeconds() + 120);
    AppModel& again = bed.make();
    settle();
    ASSERT_TRUE(again.sessions().machine().sessions.contains("s1"));
    EXPECT_TRUE(again.sessions().machine().sessions.at("s1").state.isBusy());
    EXPECT_EQ(bed.recorded.holdsKept, 1);

    // The long-run alert still comes at its time.
    bed.clock->current = Instant::fromUnixSeconds(bed.clock->current.unixSeconds() + 600);
    again.sessions().tick();
    settle();
    EXPECT_EQ(again.sessions().machine().sessions.at("s1").state.kind(), SessionState::Kind::longRun);

    again.sessions().receiveLiveEvent(bed.event("Stop", "s1", 0));
    ASSERT_EQ(again.sessions().finished().size(), 1u);
    EXPECT_EQ(again.sessions().finished()[0].title, "fix the build");
    EXPECT_EQ(again.sessions().finished()[0].duration, std::optional<double>(720));
    // A session that is new now still gets a number of its own.
    again.sessions().receiveLiveEvent(prompt(bed, "s2", 0, "next"));
    EXPECT_GT(again.sessions().machine().sessions.at("s2").number, again.sessions().machine().sessions.at("s1").number);
}

TEST(AppModelIntakeTests, AnOldOrUnreadableSessionsFileIsIgnoredWithOneLogLine) {
    struct Case {
        const char* name;
        double restartAfter;
        std::optional<std::string> contents;
        const char* logged;
    };
    const Case cases[] = {
        {"stale", 1800, std::nullopt, "notice Ignoring the sessions in progress saved 30 minutes ago: they have gone stale"},
        {"damaged", 60, std::string("{\"savedAt\":"), "error Ignoring the saved sessions in progress: "},
        {"wrong type", 60, std::string("{\"savedAt\":1,\"nextNumber\":1,\"sessions\":{}}"),
         "error Ignoring the saved sessions in progress: "},
    };
    for (const Case& c : cases) {
        AppModelTestbed bed;
        bed.make();
        bed.model->sessions().receiveLiveEvent(prompt(bed, "s1", 0, "fix the build"));
        bed.model->shutDown();
        bed.model.reset();
        if (c.contents) {
            ASSERT_TRUE(files::writeFileAtomically(bed.appSupport() + "/sessions.json", *c.contents));
        }
        bed.clock->current = Instant::fromUnixSeconds(bed.clock->current.unixSeconds() + c.restartAfter);
        AppModel& again = bed.make();
        EXPECT_TRUE(again.sessions().machine().sessions.empty()) << c.name;
        std::size_t logged = 0;
        for (const std::string& line : bed.log.lines("Sessions")) logged += line.rfind(c.logged, 0) == 0;
        EXPECT_EQ(logged, 1u) << c.name;
        EXPECT_EQ(bed.log.lines("Sessions").size(), 1u) << c.name;
        // The app works as usual.
        again.sessions().receiveLiveEvent(prompt(bed, "s1", 0, "again"));
        again.sessions().receiveLiveEvent(bed.event("Stop", "s1", 0));
        EXPECT_EQ(again.sessions().finished().size(), 1u) << c.name;
    }
}

}  // namespace
}  // namespace quorvel
