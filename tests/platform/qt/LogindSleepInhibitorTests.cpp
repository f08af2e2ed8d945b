#include "platform/qt/LogindSleepInhibitor.hpp"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QThread>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {

// logind's Inhibit on the private bus, answering from a thread of its own (the inhibitor
// waits for the answer on the main thread). Each lock is a pipe: the caller gets the write
// end, and the read end sees the pipe hang up once every copy of the lock is closed.
class FakeLogind : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    struct Request {
        QString what, who, why, mode;
    };

    ~FakeLogind() override {
        for (const int end : readEnds) ::close(end);
    }

    std::mutex mutex;
    QString refusal;
    std::vector<Request> requests;
    std::vector<int> readEnds;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode) {
        std::lock_guard lock(mutex);
        requests.push_back({what, who, why, mode});
        if (!refusal.isEmpty()) {
            sendErrorReply(QDBusError::AccessDenied, refusal);
            return {};
        }
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return {};
        readEnds.push_back(ends[0]);
        QDBusUnixFileDescriptor writeEnd(ends[1]);  // keeps a copy of its own
        ::close(ends[1]);
        return writeEnd;
    }
};

namespace {

const QString peerConnection = QStringLiteral("fake-logind");

bool hungUp(int readEnd) {
    pollfd watched{readEnd, POLLIN, 0};
    return ::poll(&watched, 1, 0) == 1 && (watched.revents & POLLHUP) != 0;
}

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
    EXPECT_FALSE(hungUp(readEnd)) << "the lock was let go while held";

    hold->reset();
    EXPECT_TRUE(testing::waitUntil([&] { return hungUp(readEnd); }, 2000)) << "the lock outlived its hold";
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

#include "LogindSleepInhibitorTests.moc"
