#include "platform/qt/FreedesktopNotificationCenter.hpp"

#include <QDBusConnection>
#include <QDBusMessage>

#include <gtest/gtest.h>

#include "platform/files/Files.hpp"
#include "tests/platform/qt/DesktopPeers.hpp"
#include "tests/support/FakeNotificationService.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::FakeNotificationService;
using Banner = NotificationCenter::Banner;
using Level = Banner::InterruptionLevel;

const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
const QString peerConnection = QStringLiteral("fake-notification-service");

Banner banner(std::string body, Level level = Level::active) {
    return Banner{"ID", "DONE. GO LOOK.", std::move(body), "session-1", level};
}

TEST(FreedesktopNotificationCenterTest, EscapesMarkup) {
    EXPECT_EQ(FreedesktopNotificationCenter::markupEscaped(QStringLiteral("<b>a & b</b> \"c\" 'd'")),
              QStringLiteral("&lt;b&gt;a &amp; b&lt;/b&gt; \"c\" 'd'"));
    EXPECT_EQ(FreedesktopNotificationCenter::markupEscaped(QStringLiteral("&amp;")), QStringLiteral("&amp;amp;"));
}

TEST(FreedesktopNotificationCenterTest, WithoutABusEverythingFailsAtOnce) {
    testing::ensureApplication();
    FreedesktopNotificationCenter center({QStringLiteral("Quorvel"), {}, {}},
                                         QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                       QStringLiteral("no-bus")));
    std::optional<Expected<bool, DesktopError>> authorization;
    center.requestAuthorization([&](Expected<bool, DesktopError> answer) { authorization = answer; });
    ASSERT_TRUE(authorization);
    EXPECT_FALSE(*authorization);
    std::optional<bool> allowed;
    center.bannersAllowed([&](bool answer) { allowed = answer; });
    EXPECT_EQ(allowed, false);
    std::optional<Expected<void, DesktopError>> added;
    center.add(banner("x"), [&](Expected<void, DesktopError> result) { added = result; });
    ASSERT_TRUE(added);
    EXPECT_FALSE(*added);
    EXPECT_NE(added->error().message.find("No D-Bus session bus"), std::string::npos);
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}

class FreedesktopNotificationCenterOnBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUORVEL_SKIP_WITHOUT_PRIVATE_BUS();
        testing::ensureApplication();
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    }
    void TearDown() override {
        if (serving) {
            QDBusConnection peer(peerConnection);
            peer.unregisterService(serviceName);
            peer.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
            QDBusConnection::disconnectFromBus(peerConnection);
        }
    }
    void serve() {
        QDBusConnection peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, peerConnection);
        ASSERT_TRUE(peer.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                        QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(peer.registerService(serviceName));
        serving = true;
    }
    Expected<void, DesktopError> add(const Banner& shown) {
        std::optional<Expected<void, DesktopError>> added;
        center.add(shown, [&](Expected<void, DesktopError> result) { added = result; });
        EXPECT_TRUE(testing::waitUntil([&] { return added.has_value(); }));
        return added.value_or(unexpected(DesktopError{"no answer"}));
    }

    FakeNotificationService service;
    bool serving = false;
    FreedesktopNotificationCenter center{{QStringLiteral("Quorvel"), QStringLiteral("quorvel"), QStringLiteral("quorvel")}};
};

TEST_F(FreedesktopNotificationCenterOnBusTest, PostsTheBannerAsItsOwnSilentNotification) {
    serve();
    ASSERT_TRUE(add(banner("site \u00B7 <b>4m</b> & more", Level::timeSensitive)));
    ASSERT_EQ(service.notifications.size(), 1u);
    const auto& posted = service.notifications.front();
    EXPECT_EQ(posted.appName, QStringLiteral("Quorvel"));
    // Tied to the launcher entry: its icon, and the entry the desktop files the banner under.
    EXPECT_EQ(posted.icon, QStringLiteral("quorvel"));
    EXPECT_EQ(posted.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("quorvel"));
    EXPECT_EQ(posted.hints.value(QStringLiteral("desktop-entry")).metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(posted.replacesID, 0u);
    EXPECT_EQ(posted.summary, QStringLiteral("DONE. GO LOOK."));
    // This service shows plain text, so the text goes unchanged.
    EXPECT_EQ(posted.body, QStringLiteral("site \u00B7 <b>4m</b> & more"));
    EXPECT_TRUE(posted.actions.isEmpty());
    EXPECT_EQ(posted.timeout, -1);
    // Never critical, which a service keeps until the user closes it: even this one can go stale.
    EXPECT_EQ(posted.hints.value(QStringLiteral("urgency")).value<uchar>(), 1);
    EXPECT_EQ(posted.hints.value(QStringLiteral("urgency")).metaType(), QMetaType::fromType<uchar>());
    EXPECT_EQ(posted.hints.value(QStringLiteral("suppress-sound")).toBool(), true);
}

TEST_F(FreedesktopNotificationCenterOnBusTest, ABannerTakenBackIsClosedByTheNumberTheServiceGaveIt) {
    serve();
    ASSERT_TRUE(add(Banner{"first", "OI. NEEDS YOU.", "", "s1", Level::timeSensitive}));
    ASSERT_TRUE(add(Banner{"second", "DONE. GO LOOK.", "", "s2", Level::active}));
    center.remove("second");
    center.remove("unknown");
    ASSERT_TRUE(testing::waitUntil([&] { return !service.closed.empty(); }));
    testing::runEvents(100);
    EXPECT_EQ(service.closed, std::vector<uint>{2});
    center.remove("second");  // once only

    // Taken back before the service even answered: closed as soon as it does.
    std::optional<Expected<void, DesktopError>> added;
    center.add(Banner{"third", "IT CRASHED.", "", "s3", Level::active},
               [&](Expected<void, DesktopError> result) { added = result; });
    center.remove("third");
    ASSERT_TRUE(testing::waitUntil([&] { return service.closed.size() == 2; }));
    EXPECT_TRUE(added.has_value() && *added);
    EXPECT_EQ(service.closed, (std::vector<uint>{2, 3}));
}

TEST_F(FreedesktopNotificationCenterOnBusTest, MarkupInTheBodyIsShownAsText) {
    service.capabilities << QStringLiteral("body-markup");
    serve();
    ASSERT_TRUE(add(banner("<i>my & project</i>")));
    ASSERT_EQ(service.notifications.size(), 1u);
    EXPECT_EQ(service.notifications.front().body, QStringLiteral("&lt;i&gt;my &amp; project&lt;/i&gt;"));
    EXPECT_EQ(service.notifications.front().hints.value(QStringLiteral("urgency")).value<uchar>(), 1);
}

TEST_F(FreedesktopNotificationCenterOnBusTest, ARefusedBannerReportsTheServicesReason) {
    service.refusal = QStringLiteral("Too many notifications");
    serve();
    const auto added = add(banner("x"));
    ASSERT_FALSE(added);
    EXPECT_EQ(added.error().message, "Too many notifications");
}

TEST_F(FreedesktopNotificationCenterOnBusTest, BannersAreAllowedExactlyWhenTheServiceAnswers) {
    const auto ask = [&] {
        std::optional<bool> allowed;
        center.bannersAllowed([&](bool answer) { allowed = answer; });
        EXPECT_TRUE(testing::waitUntil([&] { return allowed.has_value(); }));
        std::optional<Expected<bool, DesktopError>> granted;
        center.requestAuthorization([&](Expected<bool, DesktopError> answer) { granted = answer; });
        EXPECT_TRUE(testing::waitUntil([&] { return granted.has_value(); }));
        return std::make_pair(allowed.value_or(false), granted && *granted && **granted);
    };
    EXPECT_EQ(ask(), std::make_pair(false, false));
    EXPECT_FALSE(add(banner("nobody listens")));
    serve();
    EXPECT_EQ(ask(), std::make_pair(true, true));
}

TEST_F(FreedesktopNotificationCenterOnBusTest, NoCompletionRunsAfterTheCenterIsGone) {
    serve();
    bool called = false;
    {
        FreedesktopNotificationCenter shortLived({QStringLiteral("Quorvel"), {}, {}});
        shortLived.add(banner("x"), [&](Expected<void, DesktopError>) { called = true; });
    }
    testing::runEvents(200);
    EXPECT_FALSE(called);
}

class NotificationSettingsTest : public FreedesktopNotificationCenterOnBusTest {
protected:
    using Opened = Expected<std::string, NotificationCenter::SettingsUnavailable>;

    /// Opens the settings on `desktop` with only `tools` to find, and waits for the answer.
    Opened open(const std::string& desktop) {
        FreedesktopNotificationCenter onDesktop({QStringLiteral("Quorvel"), {}, {}}, QDBusConnection::sessionBus(),
                                                {desktop, {QString::fromStdString(tools.path())}});
        std::optional<Opened> opened;
        onDesktop.openSettings([&](Opened answer) { opened = std::move(answer); });
        EXPECT_TRUE(testing::waitUntil([&] { return opened.has_value(); }));
        return opened.value_or(unexpected(NotificationCenter::SettingsUnavailable{"no answer", std::nullopt}));
    }
    /// A stand-in for a settings program that writes its arguments where the test reads them.
    void install(const std::string& program) {
        ASSERT_TRUE(files::writeFileAtomically(
            tools / program, "#!/bin/sh\necho \"$@\" > '" + tools / (program + ".ran") + "'\n", 0755));
    }

    testing::TemporaryFolder tools;
};

TEST_F(NotificationSettingsTest, TheDesktopsOwnProgramStartsWhenItIsInstalled) {
    install("gnome-control-center");
    install("xfce4-notifyd-config");
    const Opened opened = open("ubuntu:GNOME");
    ASSERT_TRUE(opened) << opened.error().reason;
    EXPECT_EQ(*opened, "gnome-control-center notifications");
    ASSERT_TRUE(testing::waitUntil([&] { return files::readFile(tools / "gnome-control-center.ran").hasValue(); }));
    EXPECT_EQ(files::readFile(tools / "gnome-control-center.ran").value(), "notifications\n");
    EXPECT_FALSE(files::readFile(tools / "xfce4-notifyd-config.ran").hasValue()) << "only the desktop's own";

    // Plasma's program under its older name.
    install("systemsettings5");
    const Opened plasma = open("KDE");
    ASSERT_TRUE(plasma) << plasma.error().reason;
    EXPECT_EQ(*plasma, "systemsettings5 kcm_notifications");
    EXPECT_TRUE(testing::waitUntil([&] { return files::readFile(tools / "systemsettings5.ran").hasValue(); }));
}

TEST_F(NotificationSettingsTest, WithoutTheProgramTheServiceIsNamedInstead) {
    serve();
    install("gnome-control-center");  // installed, but not this desktop's
    const Opened missing = open("XFCE");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().serverName, std::optional<std::string>("fake"));
    EXPECT_EQ(missing.error().reason,
              "none of the desktop's notification settings programs is installed (xfce4-notifyd-config)");
    EXPECT_FALSE(files::readFile(tools / "gnome-control-center.ran").hasValue());

    const Opened unknown = open("sway");
    ASSERT_FALSE(unknown);
    EXPECT_EQ(unknown.error().reason, "no notification settings program is known for the desktop sway");
    EXPECT_EQ(unknown.error().serverName, std::optional<std::string>("fake"));
}

TEST_F(NotificationSettingsTest, WithNoServiceNoNameIsGiven) {
    const Opened opened = open("");
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().reason, "the desktop doesn't name itself (XDG_CURRENT_DESKTOP is empty)");
    EXPECT_EQ(opened.error().serverName, std::nullopt);
}

}  // namespace
}  // namespace quorvel
