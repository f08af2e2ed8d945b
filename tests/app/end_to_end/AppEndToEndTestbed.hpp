#pragma once
// The ground of the end-to-end tests of the app binary: the built app with a home folder of its
// own on the virtual display and private session bus of the CTest entry, a tray host and a
// notification service of the test's own on that bus, and what the tests read and click.
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

#include "app/intake/EventServer.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "hook/LoopbackPost.hpp"
#include "kit/engine/Endpoint.hpp"
#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/HookEvent.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/stores/KeyValueStore.hpp"
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
#include "tests/app/end_to_end/StatusNotifierWatcher.hpp"

namespace quorvel {

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

inline void readLayout(const QDBusArgument& argument, MenuLayoutItem& item) {
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

inline const MenuLayoutItem* findLabel(const MenuLayoutItem& item, const QString& label) {
    if (item.properties.value(QStringLiteral("label")).toString() == label) return &item;
    for (const MenuLayoutItem& child : item.children) {
        if (const MenuLayoutItem* found = findLabel(child, label)) return found;
    }
    return nullptr;
}

/// Calls the app over the bus as a tray does, without blocking: the app asks this process (as
/// the tray's host) whether a tray is there, and a blocking call would leave that unanswered.
inline QDBusMessage callServingTheBus(QDBusConnection& bus, const QDBusMessage& message) {
    QDBusPendingCall pending = bus.asyncCall(message);
    testing::waitUntil([&] { return pending.isFinished(); }, 30000);
    return pending.reply();
}

/// Runs the event loop (so the notification service answers) until `condition` holds. The
/// app is a whole process to start, so it is given longer than a peer in this process.
inline bool waitForApp(const std::function<bool()>& condition) { return testing::waitUntil(condition, 15000); }

/// The status the app answers `body` with, posted as the helper posts it; 0 when it didn't.
inline int postedStatus(const Endpoint& endpoint, const std::string& body) {
    const auto status = post(body, endpoint, 5.0);
    return status ? *status : 0;
}

inline std::string eventJson(const std::string& name, const std::string& session, double secondsAgo,
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

}  // namespace quorvel
