// The app binary handed inputs of megabytes: a message through the helper, session identities
// and damaged files of its own.
#include "tests/app/end_to_end/AppReliabilityTestbed.hpp"

namespace quorvel {
namespace {


/// Runs the built helper as the agent would, with `payload` on its standard input, for the
/// app in `home`; true when it ended with status 0.
bool runBuiltHelper(const std::string& home, const std::string& payload) {
    const std::string input = home + "/payload.json";
    if (!files::writeFileAtomically(input, payload)) return false;
    const std::string helper = (fs::path(QUORVEL_APP).parent_path() / "quorvel-hook").string();
    return testing::ProgramLaunch(helper)
        .environment({{"HOME", home}, {"QUORVEL_APP_EXECUTABLE", "/bin/true"}, {"QUORVEL_CAPTURE", std::nullopt}})
        .inputFromFile(input)
        .run()
        .succeeded();
}

TEST_F(AppReliabilityTests, AStopWithAMessageOfMegabytesThroughTheHelperEndsItsRun) {
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    json::Json prompt = {{"hook_event_name", "UserPromptSubmit"}, {"session_id", "big"}, {"cwd", "/work/site"},
                         {"prompt", "ship the release"}};
    ASSERT_TRUE(runBuiltHelper(home.path(), json::dump(prompt)));
    json::Json stop = {{"hook_event_name", "Stop"}, {"session_id", "big"}, {"cwd", "/work/site"},
                       {"last_assistant_message", "Shipped. " + std::string(2'000'000, 'x')}};
    ASSERT_TRUE(runBuiltHelper(home.path(), json::dump(stop)));

    ASSERT_TRUE(waitFor([&] { return app.finished().size() == 1; }))
        << textOf(app.paths().hookLog()) << app.logText();
    EXPECT_EQ(app.finished()[0].title, "ship the release");
    EXPECT_EQ(app.finished()[0].sessionID, "big");
    EXPECT_TRUE(app.finished()[0].duration.has_value());
    EXPECT_FALSE(fs::exists(app.paths().hookLog())) << "nothing went wrong on the helper's side";
}

TEST_F(AppReliabilityTests, SessionIDsOfMegabytesAreRefusedWithALineEachAndTheFinishedListReadsBack) {
    // Three runs of an older helper, each with a session id of 3 MiB, spooled beside one run
    // of ordinary size.
    ASSERT_TRUE(files::createDirectories(app.spool(), 0700));
    const double start = anHourAgo();
    for (int run = 0; run < 3; ++run) {
        const std::string session(3 * 1024 * 1024, static_cast<char>('a' + run));
        HookEvent prompt = HookEvent::make("UserPromptSubmit", session, start + run);
        prompt.promptFirstLine = "ship it";
        prompt.isTaskNotification = false;
        const HookEvent stop = HookEvent::make("Stop", session, start + run + 0.5);
        for (const HookEvent* event : std::initializer_list<const HookEvent*>{&prompt, &stop}) {
            char name[64];
            std::snprintf(name, sizeof name, "/%013.0f-big.json", event->receivedAt * 1000);
            ASSERT_TRUE(files::writeFileAtomically(app.spool() + name, body(*event), 0600));
        }
    }
    writeSpooled(app.spool(), {failedCommand(1, start + 10)});

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    ASSERT_TRUE(waitFor([&] { return entriesIn(app.spool()) == 0; })) << app.logText();
    ASSERT_TRUE(waitFor([&] {
        const std::vector<int> numbers = app.finishedCommands();
        return !numbers.empty() && numbers.front() == 1;
    })) << app.logText();
    EXPECT_EQ(app.finishedCommands(), std::vector<int>{1});
    EXPECT_EQ(app.logLinesWith("sessionID is too long to be real (3145728 bytes)"), 6u) << app.logText().substr(0, 4000);

    // Posted, one too long for a session id but within the body limit is refused the same way.
    HookEvent posted = failedCommand(2, static_cast<double>(std::time(nullptr)), std::string(60 * 1024, 'p'));
    EXPECT_EQ(postedStatus(*endpoint, body(posted)), 400);
    EXPECT_EQ(app.logLinesWith("sessionID is too long to be real (61440 bytes)"), 1u);
    app.stop();

    const auto written = fs::file_size(app.appSupport() + "/finished.json");
    std::printf("finished.json after the refused runs: %ju bytes\n", static_cast<std::uintmax_t>(written));
    EXPECT_LE(written, 8u * 1024 * 1024);
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    app.stop();
    EXPECT_EQ(app.finishedCommands(), std::vector<int>{1});
    EXPECT_FALSE(fs::exists(app.appSupport() + "/finished.json.bad-1"));
    EXPECT_EQ(app.logLinesWith("Couldn't read the finished list"), 0u);
}

TEST_F(AppReliabilityTests, DamagedFilesCostOnlyTheirBadPartsAndStoredSettingsKeepTheirValues) {
    // Fifty saved runs, one of them damaged; defaults with one malformed entry and settings
    // with a value beyond the window's range and one of the wrong type.
    json::Json rows = json::Json::array();
    for (int index = 0; index < 50; ++index) {
        FinishedRun run;
        run.title = std::to_string(1000 + index);
        run.sessionID = "old";
        run.finishedAt = Instant::now();
        rows.push_back(run.encode());
    }
    rows[7]["finishedAt"] = "yesterday";
    const std::string damagedList = json::dump(rows);
    ASSERT_TRUE(files::createDirectories(app.appSupport()));
    ASSERT_TRUE(files::writeFileAtomically(app.appSupport() + "/finished.json", damagedList));
    const std::string defaults = home / ".config/quorvel/defaults.json";
    ASSERT_TRUE(files::createDirectories(files::parentPath(defaults)));
    const std::string damagedDefaults =
        R"({"appSettings":{"type":"json","value":{"longRunMinutes":180,"awayMinutes":"five","showInDock":false}},)"
        R"("phoneDeviceToken":{"type":"string","value":"abc123"},"broken":{"type":"bool","value":"maybe"}})";
    ASSERT_TRUE(files::writeFileAtomically(defaults, damagedDefaults));

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    ASSERT_EQ(postedStatus(*endpoint, body(failedCommand(1, static_cast<double>(std::time(nullptr))))), 202);
    ASSERT_TRUE(waitFor([&] { return !app.finished().empty() && app.finished()[0].title == "1"; })) << app.logText();
    app.stop();

    // The 49 good rows stay behind the new one; the damaged file is kept beside the list.
    const std::vector<FinishedRun> kept = app.finished();
    ASSERT_EQ(kept.size(), 50u) << app.logText();
    EXPECT_EQ(kept[1].title, "1000");
    EXPECT_EQ(std::count_if(kept.begin(), kept.end(), [](const FinishedRun& run) { return run.title == "1007"; }), 0);
    EXPECT_EQ(textOf(app.appSupport() + "/finished.json.bad-1"), damagedList);
    EXPECT_EQ(app.logLinesWith("Couldn't read 1 of 50 rows of the finished list"), 1u) << app.logText();

    // The good entries and the stored value outside its range are still there after the run.
    const json::Json stored = json::parse(textOf(defaults));
    EXPECT_EQ(stored["appSettings"]["value"]["longRunMinutes"], 180) << stored.dump();
    EXPECT_EQ(stored["phoneDeviceToken"]["value"], "abc123") << stored.dump();
    EXPECT_FALSE(stored.contains("broken"));
    EXPECT_EQ(textOf(defaults + ".bad-1"), damagedDefaults);
    EXPECT_EQ(app.logLinesWith("A stored setting couldn't be read and is back at its default"), 1u) << app.logText();
}

}  // namespace
}  // namespace quorvel
