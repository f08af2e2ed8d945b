// The app binary as the user runs it: started with a home folder of its own on the virtual
// display and private session bus of this test's CTest entry (xvfb-run, dbus-run-session),
// fed over loopback the way the hook helper feeds it, and watched through its files, its log
// and a notification service of our own on the bus.
#include "tests/app/end_to_end/AppEndToEndTestbed.hpp"
#include "tests/support/InstalledHooks.hpp"

namespace quorvel {
namespace {

TEST_F(AppEndToEndTests, ListensWithAPrivateEndpointAndKeepsWhatTheHelperPosts) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    EXPECT_TRUE(Endpoint::isWellFormedToken(endpoint->token));
    EXPECT_EQ(modeOf(app.endpointPath()), 0600u);
    EXPECT_EQ(modeOf(app.appSupport()), 0700u);
    // The helper is put where the agent's hooks find it.
    EXPECT_TRUE(waitForApp([&] { return std::filesystem::exists(home / "Library/Quorvel/bin/quorvel-hook"); }));

    EXPECT_EQ(postedStatus(Endpoint{endpoint->port, "not-the-token"}, eventJson("SessionStart", "s1", 0)), 401);
    EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s1", 30, "ship the release")), 202);
    EXPECT_EQ(postedStatus(*endpoint, eventJson("Stop", "s1", 0)), 202);

    ASSERT_TRUE(waitForApp([&] { return app.finished().size() == 1; })) << app.logText();
    const FinishedRun run = app.finished()[0];
    EXPECT_EQ(run.title, "ship the release");
    EXPECT_EQ(run.sessionID, "s1");
    EXPECT_EQ(run.project, std::optional<std::string>("site"));
    EXPECT_EQ(modeOf(app.appSupport() + "/finished.json"), 0600u);

    ASSERT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) == 1; })) << app.logText();
    EXPECT_TRUE(app.running());
    // At the desk with no phone set up: the router keeps the alert off the phone and says so.
    EXPECT_TRUE(waitForApp([&] { return app.logText().find("[App] No push for done: atDesk") != std::string::npos; }))
        << app.logText();
}

TEST_F(AppEndToEndTests, ReusesItsEndpointAfterARestartAndMovesWhenThePortIsTaken) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> first = app.endpoint();
    ASSERT_TRUE(first) << app.logText();
    const std::string written = *files::readFile(app.endpointPath());
    app.stop();

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> again = app.endpoint();
    ASSERT_TRUE(again) << app.logText();
    EXPECT_EQ(*again, *first);
    EXPECT_EQ(*files::readFile(app.endpointPath()), written);
    EXPECT_EQ(postedStatus(*again, eventJson("SessionStart", "s1", 0)), 202);
    app.stop();

    PortHolder holder(first->port);
    ASSERT_TRUE(holder.held());
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> moved = app.endpoint(first->port);
    ASSERT_TRUE(moved) << app.logText();
    EXPECT_NE(moved->port, first->port);
    EXPECT_EQ(moved->token, first->token);
    EXPECT_EQ(postedStatus(*moved, eventJson("SessionStart", "s1", 0)), 202);
}

TEST_F(AppEndToEndTests, DrainsTheSpoolAtStartAndOnlyRecentEventsAlert) {
    const std::string spool = app.appSupport() + "/spool";
    ASSERT_TRUE(files::createDirectories(spool));
    const std::vector<std::pair<std::string, std::string>> spooled = {
        {"1.json", eventJson("UserPromptSubmit", "old", 1000, "an old run")},
        {"2.json", eventJson("Stop", "old", 900)},
        {"3.json", eventJson("UserPromptSubmit", "new", 60, "a recent run")},
        {"4.json", eventJson("Stop", "new", 30)},
    };
    for (const auto& [name, body] : spooled) ASSERT_TRUE(files::writeFileAtomically(spool + "/" + name, body));

    ASSERT_TRUE(app.start());
    ASSERT_TRUE(waitForApp([&] { return app.finished().size() == 2; })) << app.logText();
    // Newest first; the stale run is kept all the same.
    EXPECT_EQ(app.finished()[0].title, "a recent run");
    EXPECT_EQ(app.finished()[1].title, "an old run");
    // Each file goes only after its event has been handled, so the last one may still be there
    // for a moment after the list is saved.
    EXPECT_TRUE(waitForApp([&] { return std::filesystem::is_empty(spool); })) << app.logText();

    ASSERT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) >= 1; })) << app.logText();
    runEvents(1500);
    EXPECT_EQ(bannersSaying(QStringLiteral("DONE. GO LOOK.")), 1u);
}

TEST_F(AppEndToEndTests, ANewUserTurnsHooksOnFromTheMenuAndASimulatedDoneIsShown) {
    // A user of the agent who never set anything: its folder, no settings file.
    ASSERT_TRUE(files::createDirectories(home / ".claude"));
    offerTray();
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();

    clickMenuItem(QStringLiteral("Turn on hooks"));
    const std::string settingsPath = home / ".claude/settings.json";
    ASSERT_TRUE(waitForApp([&] { return std::filesystem::exists(settingsPath); })) << app.logText();
    const json::Json settings = json::parse(*files::readFile(settingsPath));
    const std::string installed = home / "Library/Quorvel/bin/quorvel-hook";
    testing::expectEveryRegistrationInstalled(settings, installed);
    EXPECT_EQ(settings.at("hooks").at("SessionEnd")[0].at("hooks")[0].at("timeout"), 2);
    EXPECT_EQ(modeOf(settingsPath), 0600u);
    EXPECT_NE(app.logText().find("[HookInstaller] Installed hooks (recording: false)"), std::string::npos)
        << app.logText();

    // The helper, as the agent would run it for this user.
    const std::string helper = (std::filesystem::path(QUORVEL_APP).parent_path() / "quorvel-hook").string();
    testing::RunningProgram simulation =
        testing::ProgramLaunch(helper).arguments({"--simulate", "done"}).environment({{"HOME", home.path()}}).start();
    ASSERT_TRUE(simulation.started());
    std::optional<testing::ProgramEnd> simulated;
    while (!(simulated = simulation.waitForEnd(std::chrono::milliseconds(0)))) runEvents(20);
    EXPECT_TRUE(simulated->succeeded());

    ASSERT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) == 1; })) << app.logText();
    ASSERT_TRUE(waitForApp([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_EQ(app.finished()[0].title, "Test the alarm");
    EXPECT_EQ(app.finished()[0].sessionID, "quorvel-simulated");

    // The Test submenu runs the installed helper itself.
    clickMenuItem(QStringLiteral("Simulate Needs you"));
    EXPECT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("OI. NEEDS YOU.")) == 1; })) << app.logText();

    // A simulated broke run ends, failed (IT BROKE on the device), rather than grinding on.
    clickMenuItem(QStringLiteral("Simulate Broke"));
    EXPECT_TRUE(waitForApp([&] {
        const std::vector<FinishedRun> runs = app.finished();
        return std::any_of(runs.begin(), runs.end(), [](const FinishedRun& run) {
            return run.chip == FinishedRun::Chip::claude && !run.ok && run.title == "Test the alarm";
        });
    })) << app.logText();
    EXPECT_TRUE(app.running());
}

TEST_F(AppEndToEndTests, ACleanStartLogsNoErrorAndItsBannersNameTheLauncherEntry) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    // No iCloud on this desktop: said once, as information.
    ASSERT_TRUE(waitForApp([&] { return app.logText().find("info com.tessaloom.quorvel.mac [App] No iCloud on this computer") != std::string::npos; }))
        << app.logText();

    EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s1", 30, "ship the release")), 202);
    EXPECT_EQ(postedStatus(*endpoint, eventJson("Stop", "s1", 0)), 202);
    ASSERT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) == 1; })) << app.logText();
    const FakeNotificationService::Notification& banner = notificationService.notifications.back();
    EXPECT_EQ(banner.appName, QStringLiteral("Quorvel"));
    EXPECT_EQ(banner.icon, QStringLiteral("quorvel"));
    EXPECT_EQ(banner.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("quorvel"));

    // Past the start's phone sync and a tick. The test's machine has no sound device and no
    // system bus, which a desktop has: those two failures are the only errors allowed.
    runEvents(6000);
    const auto causedByTheTestMachine = [](const std::string& line) {
        return (line.find(" [Sound] ") != std::string::npos && line.ends_with(": No audio output device")) ||
               (line.find(" [KeepAwake] ") != std::string::npos && line.find("No D-Bus system bus") != std::string::npos);
    };
    std::size_t lines = 0;
    std::istringstream log(app.logText());
    for (std::string line; std::getline(log, line); ++lines) {
        if (causedByTheTestMachine(line)) continue;
        EXPECT_NE(line.rfind("error ", 0), 0u) << line;
        EXPECT_NE(line.rfind("fault ", 0), 0u) << line;
    }
    EXPECT_GT(lines, 0u);
    // That one line is all about iCloud: no failed subscription, fetch or registration.
    const std::string text = app.logText();
    std::size_t mentions = 0;
    for (auto at = text.find("iCloud"); at != std::string::npos; at = text.find("iCloud", at + 1)) ++mentions;
    EXPECT_EQ(mentions, 1u) << text;
    EXPECT_EQ(text.find("RemotePush"), std::string::npos) << text;
}

TEST_F(AppEndToEndTests, ANeedsYouBannerIsTakenBackOnceTheSessionMovesOnAndADoneOneIsKept) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    // A done run, then the session's next prompt and its end: the banner stays in the list.
    EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s2", 60, "fix the build")), 202);
    EXPECT_EQ(postedStatus(*endpoint, eventJson("Stop", "s2", 40)), 202);
    ASSERT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) == 1; })) << app.logText();
    EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s2", 35, "and the tests")), 202);
    EXPECT_EQ(postedStatus(*endpoint, eventJson("SessionEnd", "s2", 32)), 202);

    EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s1", 30, "ship the release")), 202);
    HookEvent needsYou = HookEvent::make("Notification", "s1", static_cast<double>(std::time(nullptr)) - 20);
    needsYou.cwd = "/work/site";
    needsYou.termProgram = "xterm";
    needsYou.notificationType = "permission_prompt";
    EXPECT_EQ(postedStatus(*endpoint, json::dump(needsYou.encode())), 202);
    ASSERT_TRUE(waitForApp([&] { return bannersSaying(QStringLiteral("OI. NEEDS YOU.")) == 1; })) << app.logText();
    // Not critical, which the service would keep until the user closes it.
    EXPECT_EQ(notificationService.notifications.back().hints.value(QStringLiteral("urgency")).value<uchar>(), 1);
    runEvents(500);
    EXPECT_TRUE(notificationService.closed.empty());

    // The user answered and the agent works on: the banner goes, by the number the service gave it.
    EXPECT_EQ(postedStatus(*endpoint, eventJson("PostToolUse", "s1", 10)), 202);
    ASSERT_TRUE(waitForApp([&] { return !notificationService.closed.empty(); })) << app.logText();
    runEvents(500);
    EXPECT_EQ(notificationService.closed, std::vector<uint>{static_cast<uint>(notificationService.notifications.size())});
    EXPECT_EQ(notificationService.notifications.size(), 2u);
}

TEST_F(AppEndToEndTests, ATerminationSignalKeepsEveryAcceptedEventForTheNextStartAndExitsZero) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();

    // Every failed command is a finished run, and each one saved makes the app fall behind
    // the posts: a backlog of accepted events waits when the signal comes. Fewer than may
    // wait at once, so every one is accepted.
    constexpr int posted = static_cast<int>(EventServer::maxWaitingEvents) * 3 / 4;
    const double start = static_cast<double>(std::time(nullptr)) - 60;
    int accepted = 0;
    for (int index = 0; index < posted; ++index) {
        HookEvent event = HookEvent::make("PostToolUseFailure", "s1", start + index * 0.001);
        event.toolName = "Bash";
        event.command = "make test " + std::to_string(index);
        event.error = "Exit code 2\nfailed";
        accepted += postedStatus(*endpoint, json::dump(event.encode())) == 202 ? 1 : 0;
    }
    ASSERT_EQ(accepted, posted);
    EXPECT_EQ(app.terminate(), std::optional<int>(0)) << app.logText();
    EXPECT_NE(app.logText().find("[App] Asked to quit by signal 15"), std::string::npos) << app.logText();

    // What wasn't handled waits in the spool; the next start handles it, in order, each once:
    // the list holds the newest fifty, newest first.
    ASSERT_TRUE(app.start());
    const std::string spool = app.appSupport() + "/spool";
    // Each one is a save of the list: on a busy machine that takes a while.
    ASSERT_TRUE(testing::waitUntil(
        [&] { return !std::filesystem::exists(spool) || std::filesystem::is_empty(spool); }, 120000))
        << app.logText();
    std::vector<FinishedRun> runs;
    ASSERT_TRUE(waitForApp([&] {
        runs = app.finished();
        return !runs.empty() && runs[0].title == "make test " + std::to_string(posted - 1);
    })) << app.logText();
    ASSERT_EQ(runs.size(), 50u) << app.logText();
    for (std::size_t index = 0; index < runs.size(); ++index) {
        EXPECT_EQ(runs[index].title, "make test " + std::to_string(posted - 1 - int(index)));
    }
}

TEST_F(AppEndToEndTests, OpenedUpOrOddFilesAreNotTrustedAndNeverHoldUpTheStart) {
    const std::string support = app.appSupport();
    ASSERT_TRUE(files::createDirectories(support + "/spool", 0700));
    ASSERT_EQ(::chmod(support.c_str(), 0777), 0);
    const std::string oldToken = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123-_9";
    ASSERT_TRUE(files::writeFileAtomically(app.endpointPath(), Endpoint{5999, oldToken}.encoded(), 0644));
    // Odd things where the finished list and a spool file should be.
    ASSERT_EQ(::mkfifo((support + "/finished.json").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((support + "/spool/1-fifo.json").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (support + "/spool/2-zero.json").c_str()), 0);
    ASSERT_TRUE(files::writeFileAtomically(support + "/spool/3-real.json", eventJson("PostToolUseFailure", "s1", 5)));

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    // A token others could read is no secret: a new one, in a private file, in a private folder.
    EXPECT_NE(endpoint->token, oldToken);
    EXPECT_EQ(modeOf(app.endpointPath()), 0600u);
    EXPECT_EQ(modeOf(support), 0700u);
    ASSERT_TRUE(waitForApp([&] { return std::filesystem::is_empty(support + "/spool"); })) << app.logText();
    EXPECT_NE(app.logText().find("Skipping unreadable spool file 1-fifo.json"), std::string::npos) << app.logText();
    EXPECT_NE(app.logText().find("Skipping unreadable spool file 2-zero.json"), std::string::npos) << app.logText();
    EXPECT_EQ(postedStatus(*endpoint, eventJson("SessionStart", "s2", 0)), 202);
    app.stop();

    // Linked somewhere else, the endpoint file is replaced by one of our own; the target stays.
    const std::string elsewhere = home / "elsewhere.json";
    ASSERT_TRUE(files::writeFileAtomically(elsewhere, Endpoint{5998, oldToken}.encoded(), 0600));
    ASSERT_EQ(::unlink(app.endpointPath().c_str()), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), app.endpointPath().c_str()), 0);
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> relinked = app.endpoint();
    ASSERT_TRUE(relinked) << app.logText();
    EXPECT_NE(relinked->token, oldToken);
    EXPECT_FALSE(std::filesystem::is_symlink(app.endpointPath()));
    EXPECT_EQ(Endpoint::read(elsewhere)->token, oldToken);
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    // Services the bus starts on the app's behalf (the keyring) get a throw-away home and
    // runtime folder too, so nothing of the user's is touched, not even the socket of a
    // keyring the user runs.
    quorvel::testing::TemporaryFolder servicesHome;
    const std::string runtime = servicesHome / "runtime";
    ::mkdir(runtime.c_str(), 0700);
    QMap<QString, QString> variables;
    variables.insert(QStringLiteral("HOME"), QString::fromStdString(servicesHome.path()));
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        variables.insert(QString::fromUtf8(name), QString::fromStdString(servicesHome / name));
    }
    variables.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime));
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    qDBusRegisterMetaType<QMap<QString, QString>>();
    update << QVariant::fromValue(variables);
    QDBusConnection::sessionBus().call(update);
    return RUN_ALL_TESTS();
}
