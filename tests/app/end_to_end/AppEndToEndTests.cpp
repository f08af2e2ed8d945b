// The app binary as the user runs it: started with a home folder of its own on the virtual
// display and private session bus of this test's CTest entry (xvfb-run, dbus-run-session),
// fed over loopback the way the hook helper feeds it, and watched through its files, its log
// and a notification service of our own on the bus.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QVariantMap>
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "tests/platform/TemporaryFolder.hpp"

extern char** environ;

namespace quorvel {

// The desktop's notification service, as far as the app uses it, recording each banner.
class RecordingNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Banner {
        QString summary;
        QString body;
    };
    std::vector<Banner> banners;

public slots:
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        banners.push_back({summary, body});
        return static_cast<uint>(banners.size());
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("Quorvel tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("recorder");
    }
};

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

/// Runs the event loop (so the notification service answers) until `condition` holds.
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

void runEvents(int milliseconds) {
    waitUntil([] { return false; }, milliseconds);
}

mode_t modeOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return 0;
    return status.st_mode & 07777;
}

/// One HTTP request over loopback; the whole answer, or empty when nobody answered.
std::string post(std::uint16_t port, const std::string& token, const std::string& body) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "POST /v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer " + token +
                                    "\r\nContent-Type: application/json\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[4096];
        for (ssize_t count; (count = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, count);
    }
    ::close(fd);
    return answer;
}

std::string eventJson(const std::string& name, const std::string& session, double secondsAgo,
                      std::optional<std::string> prompt = std::nullopt) {
    HookEvent event = HookEvent::make(name, session, static_cast<double>(std::time(nullptr)) - secondsAgo);
    event.cwd = "/work/site";
    event.termProgram = "xterm";
    event.promptFirstLine = std::move(prompt);
    return json::dump(event.encode());
}

/// A listening socket holding a loopback port.
class PortHolder {
public:
    explicit PortHolder(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // The app's last connections may still linger on the port; a listener may take it.
        int one = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        held_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd_, 1) == 0;
    }
    ~PortHolder() { ::close(fd_); }
    bool held() const { return held_; }

private:
    int fd_ = -1;
    bool held_ = false;
};

/// The app with a home folder and a runtime folder of its own: the runtime folder holds the
/// single-instance lock, so a Quorvel the user already runs never makes this one a silent
/// second copy.
class RunningApp {
public:
    RunningApp(const std::string& home, const std::string& runtime) : home_(home), runtime_(runtime) {}
    ~RunningApp() { stop(); }

    void start() {
        // Each run's own log, so a line of the run before never counts for this one.
        std::filesystem::remove(log());
        std::map<std::string, std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const std::size_t equals = text.find('=');
            if (equals != std::string::npos) environment[text.substr(0, equals)] = text.substr(equals + 1);
        }
        environment["HOME"] = home_;
        environment["XDG_CONFIG_HOME"] = home_ + "/.config";
        environment["XDG_DATA_HOME"] = home_ + "/.local/share";
        environment["XDG_CACHE_HOME"] = home_ + "/.cache";
        environment["XDG_STATE_HOME"] = home_ + "/.local/state";
        environment["XDG_RUNTIME_DIR"] = runtime_;
        environment["QUORVEL_LOG_FILE"] = log();
        environment["QUORVEL_LOG_STDERR"] = "0";
        std::vector<std::string> entries;
        for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
        std::vector<char*> envp;
        for (std::string& entry : entries) envp.push_back(entry.data());
        envp.push_back(nullptr);
        std::string program = QUORVEL_APP;
        char* argv[] = {program.data(), nullptr};
        ASSERT_EQ(::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    }

    /// Ends the app as the session would at log-out.
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

    bool running() const { return pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == 0; }

    std::string appSupport() const { return home_ + "/Library/Application Support/Quorvel"; }
    std::string endpointPath() const { return appSupport() + "/endpoint.json"; }
    std::string log() const { return home_ + "/quorvel.log"; }

    /// The endpoint once the app has written one with a port it listens on.
    std::optional<Endpoint> endpoint(std::optional<std::uint16_t> otherThan = std::nullopt) const {
        std::optional<Endpoint> found;
        waitUntil([&] {
            auto read = Endpoint::read(endpointPath());
            if (!read || (otherThan && read->port == *otherThan)) return false;
            if (logText().find("Listening on 127.0.0.1:" + std::to_string(read->port)) == std::string::npos) {
                return false;
            }
            found = *read;
            return true;
        });
        return found;
    }

    std::string logText() const {
        auto text = files::readFile(log());
        return text ? *text : std::string();
    }

    std::vector<FinishedRun> finished() const {
        std::vector<FinishedRun> runs;
        const auto text = files::readFile(appSupport() + "/finished.json");
        if (!text) return runs;
        try {
            for (const json::Json& element : json::parse(*text)) runs.push_back(FinishedRun::decode(element));
        } catch (const std::exception&) {
            runs.clear();
        }
        return runs;
    }

private:
    std::string home_;
    std::string runtime_;
    pid_t pid_ = -1;
};

/// A runtime folder as the session makes one: private to the user.
class RuntimeFolder : public TemporaryFolder {
public:
    RuntimeFolder() { ::chmod(path().c_str(), 0700); }
};

class AppEndToEndTests : public ::testing::Test {
protected:
    StatusNotifierWatcher trayHost;

    TemporaryFolder home;
    RuntimeFolder runtime;
    RunningApp app{home.path(), runtime.path()};
    RecordingNotificationService notifications;
    QDBusConnection bus = QDBusConnection::sessionBus();

    void SetUp() override {
        ASSERT_TRUE(bus.isConnected()) << "needs a session bus (dbus-run-session)";
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void TearDown() override {
        app.stop();
        bus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
        bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    }

    /// A tray on the bus for the app started next.
    void offerTray() {
        ASSERT_TRUE(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &trayHost,
                                       QDBusConnection::ExportAllContents));
        ASSERT_TRUE(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    }

    /// Clicks the item of the app's tray menu labelled `label`, as the tray would.
    void clickMenuItem(const QString& label) {
        ASSERT_TRUE(waitUntil([&] { return !trayHost.items.isEmpty(); })) << "no menu on the bus\n" << app.logText();
        const QString service = trayHost.items.back();
        const MenuLayoutItem* item = nullptr;
        MenuLayoutItem root;
        // The menu is filled just after the icon appears.
        waitUntil([&] {
            QDBusMessage layout = QDBusMessage::createMethodCall(service, QStringLiteral("/MenuBar"),
                                                                 QStringLiteral("com.canonical.dbusmenu"),
                                                                 QStringLiteral("GetLayout"));
            layout << 0 << -1 << QStringList();
            const QDBusMessage reply = bus.call(layout);
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) return false;
            root = MenuLayoutItem();
            readLayout(qvariant_cast<QDBusArgument>(reply.arguments()[1]), root);
            item = findLabel(root, label);
            return item != nullptr;
        });
        ASSERT_NE(item, nullptr) << "no item " << label.toStdString();
        QDBusMessage click = QDBusMessage::createMethodCall(service, QStringLiteral("/MenuBar"),
                                                            QStringLiteral("com.canonical.dbusmenu"),
                                                            QStringLiteral("Event"));
        click << item->id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(QVariant(0)))
              << static_cast<uint>(0);
        const QDBusMessage reply = bus.call(click);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    }

    std::size_t bannersSaying(const QString& summary) const {
        std::size_t count = 0;
        for (const auto& banner : notifications.banners) count += banner.summary == summary ? 1 : 0;
        return count;
    }
};

TEST_F(AppEndToEndTests, ListensWithAPrivateEndpointAndKeepsWhatTheHelperPosts) {
    app.start();
    const std::optional<Endpoint> endpoint = app.endpoint();
    ASSERT_TRUE(endpoint) << app.logText();
    EXPECT_TRUE(Endpoint::isWellFormedToken(endpoint->token));
    EXPECT_EQ(modeOf(app.endpointPath()), 0600u);
    EXPECT_EQ(modeOf(app.appSupport()), 0700u);
    // The helper is put where the agent's hooks find it.
    EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(home / "Library/Quorvel/bin/quorvel-hook"); }));

    EXPECT_EQ(post(endpoint->port, "not-the-token", eventJson("SessionStart", "s1", 0)).rfind("HTTP/1.1 401", 0), 0u);
    EXPECT_EQ(post(endpoint->port, endpoint->token, eventJson("UserPromptSubmit", "s1", 30, "ship the release"))
                  .rfind("HTTP/1.1 202", 0),
              0u);
    EXPECT_EQ(post(endpoint->port, endpoint->token, eventJson("Stop", "s1", 0)).rfind("HTTP/1.1 202", 0), 0u);

    ASSERT_TRUE(waitUntil([&] { return app.finished().size() == 1; })) << app.logText();
    const FinishedRun run = app.finished()[0];
    EXPECT_EQ(run.title, "ship the release");
    EXPECT_EQ(run.sessionID, "s1");
    EXPECT_EQ(run.project, std::optional<std::string>("site"));
    EXPECT_EQ(modeOf(app.appSupport() + "/finished.json"), 0600u);

    ASSERT_TRUE(waitUntil([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) == 1; })) << app.logText();
    EXPECT_TRUE(app.running());
    // At the desk with no phone set up: the router keeps the alert off the phone and says so.
    EXPECT_TRUE(waitUntil([&] { return app.logText().find("[App] No push for done: atDesk") != std::string::npos; }))
        << app.logText();
}

TEST_F(AppEndToEndTests, ReusesItsEndpointAfterARestartAndMovesWhenThePortIsTaken) {
    app.start();
    const std::optional<Endpoint> first = app.endpoint();
    ASSERT_TRUE(first) << app.logText();
    const std::string written = *files::readFile(app.endpointPath());
    app.stop();

    app.start();
    const std::optional<Endpoint> again = app.endpoint();
    ASSERT_TRUE(again) << app.logText();
    EXPECT_EQ(*again, *first);
    EXPECT_EQ(*files::readFile(app.endpointPath()), written);
    EXPECT_EQ(post(again->port, again->token, eventJson("SessionStart", "s1", 0)).rfind("HTTP/1.1 202", 0), 0u);
    app.stop();

    PortHolder holder(first->port);
    ASSERT_TRUE(holder.held());
    app.start();
    const std::optional<Endpoint> moved = app.endpoint(first->port);
    ASSERT_TRUE(moved) << app.logText();
    EXPECT_NE(moved->port, first->port);
    EXPECT_EQ(moved->token, first->token);
    EXPECT_EQ(post(moved->port, moved->token, eventJson("SessionStart", "s1", 0)).rfind("HTTP/1.1 202", 0), 0u);
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

    app.start();
    ASSERT_TRUE(waitUntil([&] { return app.finished().size() == 2; })) << app.logText();
    // Newest first; the stale run is kept all the same.
    EXPECT_EQ(app.finished()[0].title, "a recent run");
    EXPECT_EQ(app.finished()[1].title, "an old run");
    EXPECT_TRUE(std::filesystem::is_empty(spool));

    ASSERT_TRUE(waitUntil([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) >= 1; })) << app.logText();
    runEvents(1500);
    EXPECT_EQ(bannersSaying(QStringLiteral("DONE. GO LOOK.")), 1u);
}

TEST_F(AppEndToEndTests, ANewUserTurnsHooksOnFromTheMenuAndASimulatedDoneIsShown) {
    // A user of the agent who never set anything: its folder, no settings file.
    ASSERT_TRUE(files::createDirectories(home / ".claude"));
    offerTray();
    app.start();
    ASSERT_TRUE(app.endpoint()) << app.logText();

    clickMenuItem(QStringLiteral("Turn on hooks"));
    const std::string settingsPath = home / ".claude/settings.json";
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(settingsPath); })) << app.logText();
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
    pid_t pid = -1;
    const std::string homeVariable = "HOME=" + home.path();
    std::vector<char*> envp;
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string(*entry).rfind("HOME=", 0) != 0) entries.push_back(*entry);
    }
    entries.push_back(homeVariable);
    for (std::string& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = helper;
    std::string flag = "--simulate";
    std::string state = "done";
    char* argv[] = {program.data(), flag.data(), state.data(), nullptr};
    ASSERT_EQ(::posix_spawn(&pid, helper.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    int status = -1;
    while (::waitpid(pid, &status, WNOHANG) == 0) runEvents(20);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    ASSERT_TRUE(waitUntil([&] { return bannersSaying(QStringLiteral("DONE. GO LOOK.")) == 1; })) << app.logText();
    ASSERT_TRUE(waitUntil([&] { return app.finished().size() == 1; })) << app.logText();
    EXPECT_EQ(app.finished()[0].title, "Test the alarm");
    EXPECT_EQ(app.finished()[0].sessionID, "quorvel-simulated");

    // The Test submenu runs the installed helper itself.
    clickMenuItem(QStringLiteral("Simulate Needs you"));
    EXPECT_TRUE(waitUntil([&] { return bannersSaying(QStringLiteral("OI. NEEDS YOU.")) == 1; })) << app.logText();
    EXPECT_TRUE(app.running());
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication application(argc, argv);
    // Services the bus starts on the app's behalf (the keyring) get a throw-away home too, so
    // nothing of the user's is touched.
    quorvel::testing::TemporaryFolder servicesHome;
    QVariantMap activation;
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) {
        const std::string value =
            std::string(name) == "HOME" ? servicesHome.path() : servicesHome.path() + "/" + name;
        activation.insert(QString::fromUtf8(name), QString::fromStdString(value));
    }
    QDBusMessage update = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"));
    QMap<QString, QString> variables;
    for (auto entry = activation.cbegin(); entry != activation.cend(); ++entry) {
        variables.insert(entry.key(), entry.value().toString());
    }
    qDBusRegisterMetaType<QMap<QString, QString>>();
    update << QVariant::fromValue(variables);
    QDBusConnection::sessionBus().call(update);
    return RUN_ALL_TESTS();
}

#include "AppEndToEndTests.moc"
