#include "platform/qt/LogindSleepInhibitor.hpp"

#include <QDBusConnection>
#include <QThread>

#include <gtest/gtest.h>

#include "tests/platform/qt/DesktopPeers.hpp"
#include "tests/support/FakeLogind.hpp"

namespace quorvel {

using testing::FakeLogind;

namespace {

const QString peerConnection = QStringLiteral("fake-logind");

class LogindSleepInhibitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        QUORVEL_SKIP_WITHOUT_PRIVATE_BUS();
        testing::ensureApplication();
        logind = new FakeLogind;
        logind->moveToThread(&thread);
        QObject::connect(&thread, &QThread::finished, logind, &QObject::deleteLater);
        thread.start();
        QDBusConnection peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, peerConnection);
        ASSERT_TRUE(peer.registerObject(QStringLiteral("/org/freedesktop/login1"), logind,
                                        QDBusConnection::ExportAllSlots));
    }
    void TearDown() override {
        if (!thread.isRunning()) return;
        QDBusConnection peer(peerConnection);
        peer.unregisterService(QStringLiteral("org.freedesktop.login1"));
        peer.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        QDBusConnection::disconnectFromBus(peerConnection);
        thread.quit();
        thread.wait();
    }
    void serve() { ASSERT_TRUE(QDBusConnection(peerConnection).registerService(QStringLiteral("org.freedesktop.login1"))); }

    QThread thread;
    FakeLogind* logind = nullptr;
    LogindSleepInhibitor inhibitor{QStringLiteral("Quorvel"), QDBusConnection::sessionBus()};
};

TEST_F(LogindSleepInhibitorTest, TakesABlockingSleepAndIdleLockAndKeepsItUntilReleased) {
    serve();
    auto hold = inhibitor.hold("Claude Code run in progress");
    ASSERT_TRUE(hold) << hold.error().message;
    int readEnd = -1;
    {
        std::lock_guard lock(logind->mutex);
        ASSERT_EQ(logind->requests.size(), 1u);
        const auto& request = logind->requests.front();
        EXPECT_EQ(request.what, QStringLiteral("sleep:idle"));
        EXPECT_EQ(request.who, QStringLiteral("Quorvel"));
        EXPECT_EQ(request.why, QStringLiteral("Claude Code run in progress"));
        EXPECT_EQ(request.mode, QStringLiteral("block"));
        readEnd = logind->readEnds.front();
    }
    testing::runEvents(100);
    EXPECT_FALSE(FakeLogind::released(readEnd)) << "the lock was let go while held";

    hold->reset();
    EXPECT_TRUE(testing::waitUntil([&] { return FakeLogind::released(readEnd); }, 2000)) << "the lock outlived its hold";
}

TEST_F(LogindSleepInhibitorTest, ARefusalOrAMissingLogindIsAnError) {
    const auto missing = inhibitor.hold("reason");
    ASSERT_FALSE(missing);
    EXPECT_FALSE(missing.error().message.empty());

    logind->refusal = QStringLiteral("Permission denied");
    serve();
    const auto refused = inhibitor.hold("reason");
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "Permission denied");
}

TEST(LogindSleepInhibitorWithoutBusTest, SaysThereIsNoSystemBus) {
    testing::ensureApplication();
    LogindSleepInhibitor inhibitor(QStringLiteral("Quorvel"),
                                   QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/system_bus"),
                                                                 QStringLiteral("no-system-bus")));
    const auto hold = inhibitor.hold("reason");
    ASSERT_FALSE(hold);
    EXPECT_EQ(hold.error().message.rfind("No D-Bus system bus", 0), 0u) << hold.error().message;
    QDBusConnection::disconnectFromBus(QStringLiteral("no-system-bus"));
}

}  // namespace
}  // namespace quorvel

