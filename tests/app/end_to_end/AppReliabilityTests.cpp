// The app binary when its disk fills, its files grow huge or are linked elsewhere, two copies
// start at once or the clock is set back.
#include "tests/app/end_to_end/AppReliabilityTestbed.hpp"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

TEST_F(AppReliabilityTests, OnAFullDiskSpooledEventsStayUntilSavedAndARestartWithRoomKeepsEachOnce) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
    const std::string support = app.appSupport();
    ASSERT_TRUE(files::createDirectories(support, 0700));
    if (::mount("quorvel-test", support.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=512k,mode=0700") != 0) {
        GTEST_SKIP() << "can't mount a small file system here: " << std::strerror(errno);
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{support};

    std::vector<HookEvent> events;
    for (int index = 0; index < 20; ++index) events.push_back(failedCommand(index, anHourAgo()));
    writeSpooled(app.spool(), events);
    // The rest of the disk taken.
    const std::string filler = support + "/filler";
    {
        std::FILE* file = std::fopen(filler.c_str(), "w");
        ASSERT_NE(file, nullptr);
        const std::string block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), file) == block.size() && std::fflush(file) == 0) {
        }
        std::fclose(file);
    }

    ASSERT_TRUE(app.start());
    // Every event handled, every save refused.
    ASSERT_TRUE(waitFor([&] { return app.logLinesWith("Couldn't save the finished list: No space left") >= 20; }))
        << app.logText();
    EXPECT_EQ(app.terminateWithin(5s), std::optional<int>(0)) << app.logText();
    EXPECT_EQ(entriesIn(app.spool()), 20u);

    ASSERT_EQ(::unlink(filler.c_str()), 0);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return app.finishedCommands().size() == 20 && entriesIn(app.spool()) == 0; }))
        << app.logText();
    std::vector<int> expected;
    for (int index = 19; index >= 0; --index) expected.push_back(index);
    EXPECT_EQ(app.finishedCommands(), expected);
}

TEST_F(AppReliabilityTests, HugeFilesOfItsOwnNeverHoldUpTheStart) {
    // How long this machine takes to serve with nothing to read: the slower of two starts, as
    // a busy machine varies.
    Clock::duration plain{};
    for (int round = 0; round < 2; ++round) {
        const auto plainStart = Clock::now();
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.endpoint()) << app.logText();
        plain = std::max(plain, Clock::now() - plainStart);
        app.stop();
    }

    // A 3 MB list of {} and a 3 MB defaults file of junk.
    std::string list = "[{}";
    while (list.size() < 3'000'000) list += ",{}";
    list += "]";
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/finished.json", list));
    std::string junk = R"({"junk":[{})";
    while (junk.size() < 3'000'000) junk += ",{}";
    junk += "]}";
    const std::string defaults = home / ".config/quorvel/defaults.json";
    ASSERT_TRUE(files::createDirectories(files::parentPath(defaults)));
    ASSERT_TRUE(files::writeFileAtomically(defaults, junk));

    const auto started = Clock::now();
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    EXPECT_LT(Clock::now() - started, plain + 1s) << app.logText();
    EXPECT_TRUE(fs::exists(defaults + ".bad-1"));
    EXPECT_NE(app.logText().find("Couldn't read the finished list"), std::string::npos) << app.logText();
}

TEST_F(AppReliabilityTests, NoTemporaryFileOutlivesAMinuteInTheSpool) {
    ASSERT_TRUE(files::createDirectories(app.spool(), 0700));
    const std::string abandoned = app.spool() + "/.1796714910123-A.json.B";
    const std::string fresh = app.spool() + "/.1796714910124-C.json.D";
    ASSERT_TRUE(files::writeFileAtomically(abandoned, "{\"half"));
    ASSERT_TRUE(files::writeFileAtomically(fresh, "{\"half"));
    const timespec twoMinutesAgo{::time(nullptr) - 120, 0};
    const timespec times[2] = {twoMinutesAgo, twoMinutesAgo};
    ASSERT_EQ(::utimensat(AT_FDCWD, abandoned.c_str(), times, 0), 0);

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    EXPECT_TRUE(waitFor([&] { return !fs::exists(abandoned); })) << app.logText();
    EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(AppReliabilityTests, ALinkedSpoolFolderIsNeitherWrittenThroughNorSilent) {
    const std::string elsewhere = home / "elsewhere";
    ASSERT_TRUE(files::createDirectories(elsewhere, 0700));
    ASSERT_TRUE(files::createDirectories(app.appSupport(), 0700));
    ASSERT_EQ(::symlink(elsewhere.c_str(), app.spool().c_str()), 0);

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    EXPECT_EQ(postedStatus(*endpoint, body(failedCommand(1, anHourAgo()))), 202);
    ASSERT_TRUE(waitFor([&] { return app.finishedCommands().size() == 1; })) << app.logText();
    // Reported once, where a server problem shows; nothing lands in the link's target, not even
    // the events left over at the end.
    EXPECT_EQ(app.logLinesWith(app.spool() + " is a link to another folder"), 1u) << app.logText();
    EXPECT_EQ(app.terminateWithin(3s), std::optional<int>(0));
    EXPECT_EQ(entriesIn(elsewhere), 0u);
}

TEST_F(AppReliabilityTests, ASpoolFolderSwappedForALinkMidDrainSaysSoWithoutFloodingTheLog) {
    // Tool events of one session (no row to save each), every other one with the identity
    // the helper gives it: the files go both as their events are handled and after the drain.
    std::vector<HookEvent> events;
    const double start = anHourAgo();
    for (int index = 0; index < 5000; ++index) {
        HookEvent made = HookEvent::make("PostToolUse", "s1", start + index * 0.001);
        made.toolName = "Read";
        made.command = std::to_string(index);
        if (index % 2 == 0) made.eventID = "swap-" + std::to_string(index);
        events.push_back(std::move(made));
    }
    writeSpooled(app.spool(), events);
    const std::string elsewhere = home / "elsewhere";
    ASSERT_TRUE(files::createDirectories(elsewhere, 0700));
    ASSERT_TRUE(files::writeFileAtomically(elsewhere + "/9999999999999-keep.json", body(events.front()), 0600));

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) < events.size(); }, 30s)) << app.logText();
    std::this_thread::sleep_for(150ms);
    ASSERT_EQ(::rename(app.spool().c_str(), (home / "spool-aside").c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), app.spool().c_str()), 0);

    ASSERT_TRUE(waitFor([&] { return app.logLinesWith("Couldn't remove spool file") > 0; }, 60s)) << app.logText();
    // Two ticks to go through the rest and say what is due.
    std::this_thread::sleep_for(11s);
    EXPECT_EQ(app.terminateWithin(5s), std::optional<int>(0));
    const std::string log = app.logText();
    EXPECT_LT(std::count(log.begin(), log.end(), '\n'), 50) << log.substr(0, 4000);
    EXPECT_EQ(entriesIn(elsewhere), 1u);
    EXPECT_TRUE(fs::exists(elsewhere + "/9999999999999-keep.json"));
}

TEST_F(AppReliabilityTests, TwoStartsWithDifferentRuntimeFoldersLeaveOneCopyAndNoDuplicate) {
    std::vector<HookEvent> events;
    for (int index = 0; index < 40; ++index) events.push_back(failedCommand(index, anHourAgo()));
    writeSpooled(app.spool(), events);

    RuntimeFolder otherRuntime;
    ReliableApp other(home.path(), otherRuntime.path());
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(other.start());
    // One of them hands its launch to the other and ends.
    ASSERT_TRUE(waitFor([&] { return app.running() != other.running(); })) << app.logText();
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0; })) << app.logText();
    std::vector<int> expected;
    for (int index = 39; index >= 0; --index) expected.push_back(index);
    EXPECT_TRUE(waitFor([&] { return app.finishedCommands() == expected; })) << app.logText();
}

TEST_F(AppReliabilityTests, AClockSetBackGivesAFinishedRunOfLengthZero) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    const double now = static_cast<double>(std::time(nullptr));
    HookEvent prompt = HookEvent::make("UserPromptSubmit", "s1", now);
    prompt.promptFirstLine = "ship it";
    ASSERT_EQ(postedStatus(*endpoint, body(prompt)), 202);
    // The clock stepped back two days before the Stop.
    ASSERT_EQ(postedStatus(*endpoint, body(HookEvent::make("Stop", "s1", now - 172800))), 202);
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_EQ(app.finished()[0].duration, std::optional<double>(0.0));
}
}  // namespace
}  // namespace quorvel
