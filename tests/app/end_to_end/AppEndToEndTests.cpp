// The app binary as the user runs it: started with a home folder of its own on the virtual
// display and private session bus of this test's CTest entry (xvfb-run, dbus-run-session),
// fed over loopback the way the hook helper feeds it, and watched through its files, its log
// and a notification service of our own on the bus.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/core/EventServer.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/services/LibsecretStore.hpp"
#include "tests/support/AppProcess.hpp"
#include "tests/support/ProgramLaunch.hpp"
#include "tests/support/FakeNotificationService.hpp"
#include "tests/support/FileMode.hpp"
#include "tests/support/PortHolder.hpp"
#include "tests/support/QtEventLoop.hpp"
#include "tests/support/RuntimeFolder.hpp"
#include "tests/support/SilentServer.hpp"
#include "tests/support/TemporaryFolder.hpp"
#include "tests/support/X11Input.hpp"

namespace quorvel {

// The desktop's tray host, as far as Qt asks for one: with it on the bus the app puts its
// menu-bar menu on the bus (as a StatusNotifierItem with a com.canonical.dbusmenu menu), where
// the test can read it and click its items as a tray would.
class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)

public:
    QStringList items;

    bool isStatusNotifierHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredStatusNotifierItems() const { return items; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        items.push_back(service);
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
};

namespace {

using testing::FakeNotificationService;
using testing::modeOf;
using testing::PortHolder;
using testing::runEvents;
using testing::RuntimeFolder;
using testing::TemporaryFolder;

/// One entry of a dbusmenu layout: its identifier, its properties ("label", ...) and children.
struct MenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    std::vector<MenuLayoutItem> children;
};

void readLayout(const QDBusArgument& argument, MenuLayoutItem& item) {
    argument.beginStructure();
    argument >> item.id >> item.properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        MenuLayoutItem childItem;
        readLayout(qvariant_cast<QDBusArgument>(child.variant()), childItem);
        item.children.push_back(std::move(childItem));
    }
    argument.endArray();
    argument.endStructure();
}

const MenuLayoutItem* findLabel(const MenuLayoutItem& item, const QString& label) {
    if (item.properties.value(QStringLiteral("label")).toString() == label) return &item;
    for (const MenuLayoutItem& child : item.children) {
        if (const MenuLayoutItem* found = findLabel(child, label)) return found;
    }
    return nullptr;
}

/// Calls the app over the bus as a tray does, without blocking: the app asks this process (as
/// the tray's host) whether a tray is there, and a blocking call would leave that unanswered.
QDBusMessage callServingTheBus(QDBusConnection& bus, const QDBusMessage& message) {
    QDBusPendingCall pending = bus.asyncCall(message);
    testing::waitUntil([&] { return pending.isFinished(); }, 30000);
    return pending.reply();
}

/// Runs the event loop (so the notification service answers) until `condition` holds. The
/// app is a whole process to start, so it is given longer than a peer in this process.
bool waitForApp(const std::function<bool()>& condition) { return testing::waitUntil(condition, 15000); }

/// The status the app answers `body` with, posted as the helper posts it; 0 when it didn't.
int postedStatus(const Endpoint& endpoint, const std::string& body) {
    const auto status = post(body, endpoint, 5.0);
    return status ? *status : 0;
}

std::string eventJson(const std::string& name, const std::string& session, double secondsAgo,
                      std::optional<std::string> prompt = std::nullopt) {
    HookEvent event = HookEvent::make(name, session, static_cast<double>(std::time(nullptr)) - secondsAgo);
    event.cwd = "/work/site";
    event.termProgram = "xterm";
    event.promptFirstLine = std::move(prompt);
    return json::dump(event.encode());
}

/// The built app, with what these tests read of it.
class RunningApp : public testing::AppProcess {
public:
    RunningApp(const std::string& home, const std::string& runtime) : AppProcess(QUORVEL_APP, home, runtime) {}

    std::string appSupport() const { return paths().appSupport(); }
    std::string endpointPath() const { return paths().endpoint(); }

    /// The endpoint once the app has written one with a port it listens on.
    std::optional<Endpoint> endpoint(std::optional<std::uint16_t> otherThan = std::nullopt) const {
        std::optional<Endpoint> found;
        waitForApp([&] {
            auto read = servingEndpoint();
            if (!read || (otherThan && read->port == *otherThan)) return false;
            found = *read;
            return true;
        });
        return found;
    }
};

class AppEndToEndTests : public ::testing::Test {
protected:
    StatusNotifierWatcher trayHost;

    TemporaryFolder home;
    RuntimeFolder runtime;
    RunningApp app{home.path(), runtime.path()};
    FakeNotificationService notificationService;
    QDBusConnection bus = QDBusConnection::sessionBus();

    void SetUp() override {
        ASSERT_TRUE(bus.isConnected()) << "needs a session bus (dbus-run-session)";
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notificationService,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void TearDown() override {
        app.stop();
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        withdrawTray();
    }

    void withdrawTray() {
        bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
        trayHost.items.clear();
    }

    /// A tray on the bus for the app started next.
    void offerTray() {
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &trayHost,
                                       QDBusConnection::ExportAllContents));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    }

    /// Clicks the item of the app's tray menu labelled `label`, as the tray would.
    void clickMenuItem(const QString& label) {
        ASSERT_TRUE(waitForApp([&] { return !trayHost.items.isEmpty(); })) << "no menu on the bus\n" << app.logText();
        const QString service = trayHost.items.back();
        const MenuLayoutItem* item = nullptr;
        MenuLayoutItem root;
        // The menu is filled just after the icon appears and built again while the app's state
        // settles, each time with new item identifiers: an item is clicked only once the menu
        // has kept its revision for a moment, as it has by the time a person clicks.
        std::optional<uint> revision;
        QElapsedTimer unchanged;
        waitForApp([&] {
            QDBusMessage layout = QDBusMessage::createMethodCall(service, QStringLiteral("/MenuBar"),
                                                                 QStringLiteral("com.canonical.dbusmenu"),
                                                                 QStringLiteral("GetLayout"));
            layout << 0 << -1 << QStringList();
            const QDBusMessage reply = callServingTheBus(bus, layout);
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) return false;
            if (const uint seen = reply.arguments()[0].toUInt(); seen != revision) {
                revision = seen;
                unchanged.start();
            }
            root = MenuLayoutItem();
            readLayout(qvariant_cast<QDBusArgument>(reply.arguments()[1]), root);
            item = findLabel(root, label);
            return item != nullptr && unchanged.elapsed() >= 300;
        });
        ASSERT_NE(item, nullptr) << "no item " << label.toStdString();
        QDBusMessage click = QDBusMessage::createMethodCall(service, QStringLiteral("/MenuBar"),
                                                            QStringLiteral("com.canonical.dbusmenu"),
                                                            QStringLiteral("Event"));
        click << item->id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QVariant(0)))
              << static_cast<uint>(0);
        const QDBusMessage reply = callServingTheBus(bus, click);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    /// A phone token to push to, and every alert pushed to it, as the next start reads them.
    static void pushEveryAlertToAPhone(KeyValueStore& defaults) {
        defaults.setString("phoneDeviceToken", "00112233445566778899aabbccddeeff");
        json::Json settings = json::Json::object();
        settings["alwaysPushToPhone"] = true;
        defaults.setJson("appSettings", settings);
    }

    std::size_t bannersSaying(const QString& summary) const {
        std::size_t count = 0;
        for (const auto& banner : notificationService.notifications) count += banner.summary == summary ? 1 : 0;
        return count;
    }
};

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
    std::vector<std::string> events;
    for (const auto& [event, groups] : settings.at("hooks").items()) {
        events.push_back(event);
        const json::Json& entry = groups.at(0).at("hooks").at(0);
        EXPECT_EQ(entry.at("command"), installed) << event;
        EXPECT_EQ(entry.at("args"), json::Json::array()) << event;
        EXPECT_EQ(entry.contains("timeout") ? entry.at("timeout") : entry.at("async"),
                  event == "SessionEnd" ? json::Json(2) : json::Json(true))
            << event;
    }
    EXPECT_EQ(events, (std::vector<std::string>{"SessionStart", "UserPromptSubmit", "Stop", "StopFailure", "Notification",
                                                "PostToolUse", "PostToolUseFailure", "SessionEnd"}));
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

TEST_F(AppEndToEndTests, ANeedsYouBannerIsTakenBackOnceTheSessionMovesOn) {
    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
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
    EXPECT_EQ(notificationService.closed, std::vector<uint>{static_cast<uint>(notificationService.notifications.size())});
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

// Needs a keyring for the relay: runs only in the CTest entry that starts one on the private
// bus (QUORVEL_KEYRING_TEST), never against a keyring of the user's.
TEST_F(AppEndToEndTests, QuitUnderADeadNetworkWaitsAtMostTwoSeconds) {
    const char* keyringTest = std::getenv("QUORVEL_KEYRING_TEST");
    if (keyringTest == nullptr || std::string(keyringTest) != "1") GTEST_SKIP() << "needs the keyring test's bus";
    LibsecretStore keyring;
    // A relay that takes the connection and never answers the TLS handshake.
    testing::SilentServer relay;
    ASSERT_NE(relay.port(), 0);
    auto saved = RelayKeyStore::save(keyring, {WebUrl::parse("https://" + relay.host() + "/push").value(), "key"});
    ASSERT_TRUE(saved) << saved.error().description();
    KeyValueStore defaults(home / ".config/quorvel/defaults.json");
    pushEveryAlertToAPhone(defaults);

    ASSERT_TRUE(app.start());
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    // A done alert, which goes to the phone.
    EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s1", 40, "fix the build")), 202);
    EXPECT_EQ(postedStatus(*endpoint, eventJson("Stop", "s1", 0)), 202);
    ASSERT_TRUE(waitForApp([&] { return relay.hasWaitingConnection(); })) << app.logText();

    const auto signalled = std::chrono::steady_clock::now();
    EXPECT_EQ(app.terminate(), std::optional<int>(0)) << app.logText();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(3));
    EXPECT_EQ(app.finished().size(), 1u);
    EXPECT_TRUE(RelayKeyStore::remove(keyring));
}

// The user's stored choices and the windows the app shows, as the next launch reads them.
class AppWindowsEndToEndTests : public AppEndToEndTests {
protected:
    KeyValueStore defaults() const { return KeyValueStore(home / ".config/quorvel/defaults.json"); }

    /// The stored visibility keys, as "absent", "true" or "false" each.
    std::pair<std::string, std::string> storedVisibility() const {
        const auto word = [](std::optional<bool> value) -> std::string {
            return value ? (*value ? "true" : "false") : "absent";
        };
        const KeyValueStore store = defaults();
        return {word(store.boolValue("deviceVisible")), word(store.boolValue("stripVisible"))};
    }

    bool shown(const std::string& title) {
        const std::vector<std::string> titles = x11.shownTitles();
        return std::find(titles.begin(), titles.end(), title) != titles.end();
    }

    /// Starts the app and waits until every window of `titles` is on screen.
    void startShowing(const std::vector<std::string>& titles) {
        ASSERT_TRUE(app.start());
        ASSERT_TRUE(app.endpoint()) << app.logText();
        for (const std::string& title : titles) {
            ASSERT_TRUE(waitForApp([&] { return shown(title); }))
                << title << " among " << ::testing::PrintToString(x11.shownTitles());
        }
    }

    /// The app ended at once (within 3 s) with status 0, and stored none of its windows as
    /// hidden on the way out: the keys are as the running app had them (`storedBefore`).
    void expectQuitCleanly(const std::pair<std::string, std::string>& storedBefore) {
        EXPECT_EQ(app.waitForExit(std::chrono::seconds(3)), std::optional<int>(0)) << app.logText();
        EXPECT_EQ(storedVisibility(), storedBefore);
    }

    testing::X11Input x11;
};

TEST_F(AppWindowsEndToEndTests, OneQuitFromTheTrayEndsTheAppWhicheverWindowsAreShowing) {
    ASSERT_TRUE(x11.connected());
    struct Case {
        const char* name;
        std::optional<bool> deviceVisible;
        std::optional<bool> stripVisible;
        bool setupShown;
        std::vector<std::string> menuItems;
        std::vector<std::string> titles;
    };
    const std::vector<Case> cases{
        {"device and strip", std::nullopt, true, true, {}, {"Quorvel", "Quorvel strip"}},
        {"device and settings", true, std::nullopt, true, {"Settings\u2026"}, {"Quorvel", "Quorvel settings"}},
        {"strip alone", false, true, true, {}, {"Quorvel strip"}},
        {"device, setup and finished", std::nullopt, false, false, {"Finished\u2026"}, {"Quorvel", "Set up Quorvel", "Finished"}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        KeyValueStore store = defaults();
        store.remove("deviceVisible");
        store.remove("stripVisible");
        if (test.deviceVisible) store.setBool("deviceVisible", *test.deviceVisible);
        if (test.stripVisible) store.setBool("stripVisible", *test.stripVisible);
        store.setBool("setupShown", test.setupShown);
        offerTray();
        startShowing({});
        for (const std::string& item : test.menuItems) clickMenuItem(QString::fromStdString(item));
        for (const std::string& title : test.titles) {
            ASSERT_TRUE(waitForApp([&] { return shown(title); }))
                << title << " among " << ::testing::PrintToString(x11.shownTitles());
        }
        // A run comes in just before: it is in the list the app leaves behind.
        const std::optional<Endpoint> endpoint = app.endpoint();
        ASSERT_TRUE(endpoint);
        ASSERT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", "s1", 10, "the last run")), 202);
        ASSERT_EQ(postedStatus(*endpoint, eventJson("Stop", "s1", 0)), 202);
        // What the running app has stored of the user's choices (showing a window stores it).
        const auto before = storedVisibility();
        clickMenuItem(QStringLiteral("Quit Quorvel"));
        expectQuitCleanly(before);
        ASSERT_EQ(app.finished().size(), 1u) << app.logText();
        EXPECT_EQ(app.finished()[0].title, "the last run");
        // The next launch starts afresh, with a tray of its own.
        withdrawTray();
        ::unlink((app.appSupport() + "/finished.json").c_str());
    }
}

TEST_F(AppWindowsEndToEndTests, WithoutATrayCtrlQOnTheDeviceQuits) {
    ASSERT_TRUE(x11.connected());
    defaults().setBool("setupShown", true);
    startShowing({"Quorvel"});
    ASSERT_TRUE(waitForApp([&] { return defaults().boolValue("deviceVisible") == std::optional<bool>(true); }));
    const auto before = storedVisibility();
    const auto device = x11.placeOf("Quorvel");
    ASSERT_TRUE(device);
    // On the casing by the left edge, where no control lies; a click there gives the device
    // the keyboard where a window manager hands it out, and moves nothing.
    x11.movePointer(device->x + 20, device->y + 200);
    x11.pressButton();
    x11.releaseButton();
    runEvents(300);
    x11.typeChord({testing::X11Input::controlKey, 'q'});
    expectQuitCleanly(before);
}

TEST_F(AppWindowsEndToEndTests, WindowsAreClassedAfterTheLauncherEntry) {
    ASSERT_TRUE(x11.connected());
    startShowing({"Quorvel"});
    // The class the desktop matches against the launcher entry's name and its StartupWMClass.
    const auto entry = files::readFile(QUORVEL_DESKTOP_FILE);
    ASSERT_TRUE(entry);
    EXPECT_NE(entry->find("\nStartupWMClass=quorvel\n"), std::string::npos) << *entry;
    EXPECT_EQ(std::filesystem::path(QUORVEL_DESKTOP_FILE).filename(), "quorvel.desktop");
    const auto windowClass = x11.windowClassOf("Quorvel");
    ASSERT_TRUE(windowClass);
    EXPECT_EQ(windowClass->first, "quorvel");
    EXPECT_EQ(windowClass->second, "quorvel");
}

TEST_F(AppWindowsEndToEndTests, WindowTitlesAreExactlyTheirOwn) {
    ASSERT_TRUE(x11.connected());
    defaults().setBool("stripVisible", true);
    offerTray();
    startShowing({"Quorvel", "Quorvel strip", "Set up Quorvel"});
    clickMenuItem(QStringLiteral("Settings\u2026"));
    clickMenuItem(QStringLiteral("Finished\u2026"));
    ASSERT_TRUE(waitForApp([&] { return shown("Quorvel settings") && shown("Finished"); }))
        << ::testing::PrintToString(x11.shownTitles());
    for (const std::string& title : x11.shownTitles()) {
        EXPECT_EQ(title.find("\u2014"), std::string::npos) << title;
    }
}

// A Secret Service that takes every call and never answers one, as one waiting on a prompt
// nobody sees: the app's keyring calls hang on it.
class SilentSecretService final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return true; }
};

TEST_F(AppEndToEndTests, ATerminationSignalNeverWaitsLongForAKeyringThatNeverAnswers) {
    const QString name = QStringLiteral("quorvel-silent-secrets");
    SilentSecretService secrets;
    {
        QDBusConnection keyring = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        ASSERT_TRUE(keyring.registerVirtualObject(QStringLiteral("/"), &secrets, QDBusConnection::SubPath));
        // A keyring an earlier app started on this bus keeps the name: this test needs a bus
        // of its own (its CTest entry has one).
        if (!keyring.registerService(QStringLiteral("org.freedesktop.secrets"))) {
            QDBusConnection::disconnectFromBus(name);
            GTEST_SKIP() << "a keyring already serves this bus";
        }
    }
    ASSERT_TRUE(app.start());
    ASSERT_TRUE(app.endpoint()) << app.logText();
    // The start-up's read of the stored keys is on its way to the silent service by now.
    runEvents(500);

    const auto signalled = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(app.pid(), SIGTERM), 0);
    const std::optional<int> status = app.waitForExit(std::chrono::seconds(3));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
    EXPECT_EQ(status, std::optional<int>(0)) << "still running after " << took << " s\n" << app.logText();
    EXPECT_NE(app.logText().find("[App] The login keyring hasn't answered; quitting without it"), std::string::npos)
        << app.logText();
    QDBusConnection::disconnectFromBus(name);
}

/// Tells the bus to start its services (the keyring's unlock prompter) on this test's display.
void showPromptsOnThisDisplay() {
    QMap<QString, QString> variables;
    for (const char* name : {"DISPLAY", "XAUTHORITY"}) {
        if (const char* value = std::getenv(name)) variables.insert(QString::fromUtf8(name), QString::fromUtf8(value));
    }
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    update << QVariant::fromValue(variables);
    QDBusConnection::sessionBus().call(update);
}

/// Locks the keyring's default collection, as the desktop does on a timeout or a screen lock.
QString lockDefaultKeyring() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusMessage alias = bus.call(QDBusMessage::createMethodCall(
                                            QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
                                            QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("ReadAlias"))
                                        << QStringLiteral("default"));
    if (alias.type() != QDBusMessage::ReplyMessage || alias.arguments().isEmpty()) return alias.errorMessage();
    const QDBusObjectPath collection = qvariant_cast<QDBusObjectPath>(alias.arguments().front());
    const QDBusMessage locked = bus.call(QDBusMessage::createMethodCall(
                                             QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
                                             QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"))
                                         << QVariant::fromValue(QList<QDBusObjectPath>{collection}));
    if (locked.type() != QDBusMessage::ReplyMessage) return locked.errorMessage();
    return {};
}

// The login keyring holds a relay and is locked, and its unlock prompt is never answered (a
// desktop that logs in by itself, the user away): every read of the relay waits on the prompt
// for good, and cancelling it does not end the wait. Runs only in the CTest entry that starts
// GNOME Keyring on a private bus and display (QUORVEL_LOCKED_KEYRING_TEST).
TEST_F(AppEndToEndTests, ALockedKeyringWhosePromptNobodyAnswersNeverKeepsTheAppFromQuitting) {
    const char* lockedTest = std::getenv("QUORVEL_LOCKED_KEYRING_TEST");
    if (lockedTest == nullptr || std::string(lockedTest) != "1") GTEST_SKIP() << "needs the locked keyring's bus";
    showPromptsOnThisDisplay();
    {
        LibsecretStore keyring;
        auto saved = RelayKeyStore::save(keyring, {WebUrl::parse("https://relay.invalid/push").value(), "key"});
        ASSERT_TRUE(saved) << saved.error().description();
    }
    // A phone to push to, pushes for every alert, and a channel of an earlier Live Activity
    // left to clean up: each reads the relay from the keyring.
    KeyValueStore defaults(home / ".config/quorvel/defaults.json");
    pushEveryAlertToAPhone(defaults);
    json::Json channels = json::Json::array();
    channels.push_back(json::string("channel-left-from-before"));
    defaults.setJson("liveActivityChannels", channels);
    const QString lockFailure = lockDefaultKeyring();
    ASSERT_TRUE(lockFailure.isEmpty()) << lockFailure.toStdString();

    // The check is only worth something if a read really waits: one from here, left behind.
    auto answered = std::make_shared<std::atomic<bool>>(false);
    std::thread([answered] {
        auto* probe = new LibsecretStore();  // Left to the stuck thread for good.
        (void)probe->find(RelayKeyStore::service(), RelayKeyStore::account);
        answered->store(true);
    }).detach();
    runEvents(1500);
    ASSERT_FALSE(answered->load()) << "the locked keyring answered without a prompt: this check proves nothing";

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("start " + std::to_string(round + 1));
        ASSERT_TRUE(app.start());
        const std::optional<Endpoint> endpoint = app.endpoint();
        ASSERT_TRUE(endpoint) << app.logText();
        const std::string session = "s" + std::to_string(round + 1);
        EXPECT_EQ(postedStatus(*endpoint, eventJson("UserPromptSubmit", session, 40, "fix the build")), 202);
        EXPECT_EQ(postedStatus(*endpoint, eventJson("Stop", session, 0)), 202);
        // The push of the done alert and the start-up's reads are waiting on the prompt by now.
        runEvents(1000);

        const auto signalled = std::chrono::steady_clock::now();
        ASSERT_EQ(::kill(app.pid(), SIGTERM), 0);
        const std::optional<int> status = app.waitForExit(std::chrono::seconds(3));
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
        if (!status) ::kill(app.pid(), SIGKILL);
        ASSERT_EQ(status, std::optional<int>(0)) << "still running after " << took << " s\n" << app.logText();
        // It did have keyring calls that never ended, and quit without them. (The next start
        // may find the keyring gone: GNOME Keyring fails an assertion when unlock prompts
        // pile up, and the bus starts a new one; what counts then is that it serves and quits.)
        if (round == 0) {
            EXPECT_NE(app.logText().find("[App] The login keyring hasn't answered; quitting without it"),
                      std::string::npos)
                << app.logText();
        }
        // What the run produced was saved before the process ended.
        EXPECT_EQ(app.finished().size(), std::size_t(round + 1)) << app.logText();
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

#include "AppEndToEndTests.moc"
