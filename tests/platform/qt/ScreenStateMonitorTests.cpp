#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

#include <gtest/gtest.h>

#include <deque>

#include "platform/qt/DesktopScreenStateMonitor.hpp"
#include "platform/qt/DpmsMonitor.hpp"
#include "platform/qt/ScreenSaverMonitor.hpp"
#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

using Event = ScreenStateMonitor::Event;

class ScreenSaverMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUORVEL_SKIP_WITHOUT_PRIVATE_BUS();
        testing::ensureApplication();
        monitor = std::make_unique<ScreenSaverMonitor>();
        monitor->start([this](Event event) { events.push_back(event); });
        sender = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("screen-saver"));
        ASSERT_TRUE(sender.isConnected());
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(QStringLiteral("screen-saver")); }

    void raise(const QString& path, const QString& interface, bool active) {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, QStringLiteral("ActiveChanged"));
        signal << active;
        ASSERT_TRUE(sender.send(signal));
    }

    std::unique_ptr<ScreenSaverMonitor> monitor;
    QDBusConnection sender{QString()};
    std::vector<Event> events;
};

TEST_F(ScreenSaverMonitorTest, TheFreedesktopScreenSaverLocksAndUnlocks) {
    raise(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"), true);
    raise(QStringLiteral("/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"), false);
    ASSERT_TRUE(testing::waitUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<Event>{Event::screenLocked, Event::screenUnlocked}));
}

TEST_F(ScreenSaverMonitorTest, GnomesScreenSaverIsHeardToo) {
    for (const char* active : {"boolean:true", "boolean:false"}) {
        EXPECT_EQ(QProcess::execute(QStringLiteral("dbus-send"),
                                    {QStringLiteral("--session"), QStringLiteral("--type=signal"),
                                     QStringLiteral("/org/gnome/ScreenSaver"),
                                     QStringLiteral("org.gnome.ScreenSaver.ActiveChanged"), QString::fromLatin1(active)}),
                  0);
    }
    ASSERT_TRUE(testing::waitUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<Event>{Event::screenLocked, Event::screenUnlocked}));
}

TEST_F(ScreenSaverMonitorTest, OtherSignalsAreIgnoredAndNothingArrivesAfterTheMonitorIsGone) {
    raise(QStringLiteral("/org/example/Saver"), QStringLiteral("org.example.ScreenSaver"), true);
    QDBusMessage other = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/ScreenSaver"),
                                                    QStringLiteral("org.freedesktop.ScreenSaver"),
                                                    QStringLiteral("WakeUpScreen"));
    ASSERT_TRUE(sender.send(other));
    testing::runEvents(200);
    EXPECT_TRUE(events.empty());

    monitor.reset();
    raise(QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"), true);
    testing::runEvents(200);
    EXPECT_TRUE(events.empty());
}

TEST_F(ScreenSaverMonitorTest, TheDesktopsMonitorHearsTheScreenSaverWithOrWithoutDisplaySleep) {
    monitor.reset();
    DesktopScreenStateMonitor desktop;
    // The test's X server (if any) has no power management, so only the lock is seen.
    if (testing::hasPrivateDisplay()) {
        EXPECT_FALSE(desktop.watchesDisplaySleep());
    }
    desktop.start([this](Event event) { events.push_back(event); });
    raise(QStringLiteral("/org/gnome/ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver"), true);
    ASSERT_TRUE(testing::waitUntil([&] { return events.size() == 1; }));
    EXPECT_EQ(events.front(), Event::screenLocked);
}

TEST(DpmsMonitorTest, ReportsEachChangeOfTheDisplaysPowerStateOnce) {
    testing::ensureApplication();
    std::deque<std::optional<bool>> readings = {false, true, true, std::nullopt, true, false, false, true};
    const std::size_t count = readings.size();
    std::size_t read = 0;
    DpmsMonitor monitor(
        [&]() -> std::optional<bool> {
            ++read;
            if (readings.empty()) return std::nullopt;
            const auto reading = readings.front();
            readings.pop_front();
            return reading;
        },
        std::chrono::milliseconds(5));
    std::vector<Event> events;
    monitor.start([&](Event event) { events.push_back(event); });
    ASSERT_TRUE(testing::waitUntil([&] { return read > count; }));
    EXPECT_EQ(events, (std::vector<Event>{Event::displaysAsleep, Event::displaysAwake, Event::displaysAsleep}));
}

}  // namespace
}  // namespace quorvel
