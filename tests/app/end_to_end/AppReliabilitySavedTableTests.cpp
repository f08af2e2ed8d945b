// The app binary taking back a saved sessions file: a crowded one, one whose counter is at the
// largest integer, and a spool it may not empty across restarts.
#include "tests/app/end_to_end/AppReliabilityTestbed.hpp"

namespace quorvel {
namespace {

using Clock = std::chrono::steady_clock;

/// `count` sessions, each with a run in progress, numbered from 1; the last one made is the
/// most recently active, all of them within the last half hour.
std::string savedSessions(int count, std::int64_t nextNumber) {
    const double now = static_cast<double>(std::time(nullptr));
    json::Json list = json::Json::array();
    for (int index = 0; index < count; ++index) {
        Session session;
        session.id = "session-" + std::to_string(index);
        session.number = index + 1;
        session.cwd = "/work/project-" + std::to_string(index);
        session.run = Run{Instant::fromUnixSeconds(now - 1500), "run " + std::to_string(index)};
        session.state = SessionState::running(*session.run);
        session.lastEventAt = Instant::fromUnixSeconds(now - 1200 + index * (1000.0 / count));
        list.push_back(session.encode());
    }
    json::Json saved = json::Json::object();
    saved["savedAt"] = json::referenceDate(Instant::fromUnixSeconds(now - 60));
    saved["nextNumber"] = nextNumber;
    saved["sessions"] = std::move(list);
    return json::dump(saved);
}

json::Json savedSessionsOf(const ReliableApp& app) {
    const auto text = files::readFile(app.appSupport() + "/sessions.json");
    return text ? json::parse(*text) : json::Json();
}

TEST_F(AppReliabilityTests, ACrowdedSessionsFileIsTakenBackToTheTablesBoundAndTheAppStaysQuick) {
    // How this machine starts, serves and quits with ten sessions kept.
    ASSERT_TRUE(files::createDirectories(app.appSupport(), 0700));
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/sessions.json", savedSessions(10, 11), 0600));
    const auto plainStart = Clock::now();
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    const auto plain = Clock::now() - plainStart;
    std::this_thread::sleep_for(2s);
    const long plainKilobytes = app.residentKilobytes();
    ASSERT_EQ(app.terminate(), std::optional<int>(0));

    // A hundred thousand, ten times what the table holds.
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/sessions.json", savedSessions(100'000, 100'001), 0600));
    const auto started = Clock::now();
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    EXPECT_LT(Clock::now() - started, plain + 3s);
    EXPECT_EQ(app.logLinesWith("Took back the 10000 most recently active of 100000 saved sessions"), 1u)
        << app.logText();

    // The newest run ends as quickly as with a small table.
    const auto stopped = Clock::now();
    ASSERT_EQ(postedStatus(*endpoint, body(HookEvent::make("Stop", "session-99999", static_cast<double>(std::time(nullptr))))), 202);
    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_LT(Clock::now() - stopped, 3s);
    EXPECT_EQ(app.finished()[0].title, "run 99999");
    std::this_thread::sleep_for(2s);
    EXPECT_LT(app.residentKilobytes(), plainKilobytes + 100'000) << "ten sessions: " << plainKilobytes << " KiB";

    const auto quitting = Clock::now();
    EXPECT_EQ(app.terminateWithin(10s), std::optional<int>(0));
    EXPECT_LT(Clock::now() - quitting, 5s);
    // What was taken back is what is saved: the most recently active.
    const json::Json saved = savedSessionsOf(app);
    ASSERT_TRUE(saved.contains("sessions")) << saved.dump();
    EXPECT_EQ(saved["sessions"].size(), 10'000u);
    for (const json::Json& session : saved["sessions"]) {
        ASSERT_GT(session["number"].get<std::int64_t>(), 90'000) << session.dump();
    }
}

TEST_F(AppReliabilityTests, ACounterAtTheLargestIntegerIsLeftOutAndNewSessionsGetTheNextNumber) {
    ASSERT_TRUE(files::createDirectories(app.appSupport(), 0700));
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/sessions.json",
                                           savedSessions(3, std::numeric_limits<std::int64_t>::max()), 0600));
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    for (const char* id : {"new-1", "new-2"}) {
        HookEvent prompt = HookEvent::make("UserPromptSubmit", id, static_cast<double>(std::time(nullptr)));
        prompt.promptFirstLine = "ship it";
        ASSERT_EQ(postedStatus(*endpoint, body(prompt)), 202);
    }
    ASSERT_TRUE(waitFor([&] { return savedSessionsOf(app).dump().find("new-2") != std::string::npos; }))
        << app.logText();
    ASSERT_EQ(app.terminate(), std::optional<int>(0));

    const json::Json saved = savedSessionsOf(app);
    ASSERT_TRUE(saved.contains("sessions")) << saved.dump();
    std::map<std::string, std::int64_t> numbers;
    for (const json::Json& session : saved["sessions"]) {
        numbers[session["id"].get<std::string>()] = session["number"].get<std::int64_t>();
    }
    EXPECT_EQ(numbers["session-2"], 3);
    EXPECT_EQ(numbers["new-1"], 4) << saved.dump();
    EXPECT_EQ(numbers["new-2"], 5) << saved.dump();
    EXPECT_EQ(saved["nextNumber"], 6) << saved.dump();
    EXPECT_NE(app.logText().find("the counter 9223372036854775807 is out of range"), std::string::npos)
        << app.logText();
}

/// Runs `words` as the user "nobody"; true when it ended with status 0.
bool runAsNobody(const std::vector<std::string>& words) {
    std::vector<std::string> all{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    all.insert(all.end(), words.begin(), words.end());
    return testing::ProgramLaunch(all[0]).arguments({all.begin() + 1, all.end()}).run().succeeded();
}

TEST_F(AppReliabilityTests, ASpoolFileTheAppCantRemoveIsAppliedOnceAcrossRestarts) {
    // The app runs as "nobody"; the spool folder is root's, so nobody can't remove what is in
    // it (root, who runs the tests, could remove anything).
    if (::geteuid() != 0) GTEST_SKIP() << "making a folder the app can't write needs root";
    if (::access("/usr/bin/setpriv", X_OK) != 0 || !runAsNobody({"test", "-x", QUORVEL_APP})) {
        GTEST_SKIP() << "\"nobody\" can't run the built app here";
    }
    ReliableApp unprivileged("/usr/bin/setpriv", home.path(), runtime.path());
    ASSERT_TRUE(files::createDirectories(unprivileged.spool(), 0700));
    HookEvent spooled = failedCommand(1, anHourAgo());
    spooled.eventID = "6f1c2b0e-8d4a-4c1e-9b7f-2a5d3e4f6a7b";
    writeSpooled(unprivileged.spool(), {spooled});
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
        ASSERT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0) << entry.path();
    }
    ASSERT_EQ(::chown(home.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(runtime.path().c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(unprivileged.spool().c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(unprivileged.spool().c_str(), 0755), 0);

    const std::vector<std::string> asNobody{"--reuid=65534", "--regid=65534", "--clear-groups", QUORVEL_APP};
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(unprivileged.start(asNobody));
        // Its endpoint file is nobody's, which this root process rightly doesn't trust.
        ASSERT_TRUE(waitFor([&] { return unprivileged.logLinesWith("Listening on 127.0.0.1") > 0; }))
            << unprivileged.logText();
        ASSERT_TRUE(waitFor([&] { return unprivileged.logLinesWith("Couldn't remove spool file") > 0; }))
            << unprivileged.logText();
        EXPECT_EQ(unprivileged.terminateWithin(10s), std::optional<int>(0));
        EXPECT_EQ(entriesIn(unprivileged.spool()), 1u) << "the file stays, as it must here";
        EXPECT_EQ(unprivileged.finishedCommands(), std::vector<int>{1}) << "start " << round + 1 << "\n"
                                                                         << unprivileged.logText();
    }
}

}  // namespace
}  // namespace quorvel
