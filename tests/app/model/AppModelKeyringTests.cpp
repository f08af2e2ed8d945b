// A login keyring that never answers: the save shows as pending, and quitting gives it two
// seconds, reports it lost, and never waits for it again. Nor does work stuck on the other
// queues (a push reading its credentials from that keyring) hold up the quit or the model's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/qt/ThreadPoolWorkQueue.hpp"
#include "platform/threads/DetachableWorkQueue.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/app/model/StuckSecretStore.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/QtEventLoop.hpp"

namespace quorvel {
namespace {

using namespace quorvel::testing;
using Clock = std::chrono::steady_clock;

TEST(AppModelKeyringTests, ASaveTheKeyringNeverAnswersIsPendingThenReportedLostAtQuit) {
    AppModelTestbed bed;
    auto store = std::make_shared<StuckSecretStore>();
    bed.adjust = [&](AppServices& services) {
        services.keychain = store;
        services.keychainQueue = std::make_shared<DetachableWorkQueue>();
    };
    AppModel& model = bed.make();
    int changes = 0;
    QObject::connect(&model.phone(), &PhonePart::savingToKeyringChanged, [&] { ++changes; });

    model.phone().setRelay("https://relay.example/push", "secret");
    EXPECT_TRUE(model.phone().savingToKeyring());
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(store->awaitSave());
    settle();
    EXPECT_TRUE(model.phone().savingToKeyring()) << "no answer, no end of the pending save";

    const auto started = Clock::now();
    model.shutDown();
    const double waited = std::chrono::duration<double>(Clock::now() - started).count();
    // The keyring has the wait but its last moment, kept for the cancelled requests' outcomes.
    EXPECT_GE(waited, 1.6);
    EXPECT_LT(waited, 3.0);
    const std::vector<std::string> lines = bed.log.lines("App");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "error The login keyring never confirmed saving the relay key: that change is lost"),
              lines.end())
        << ::testing::PrintToString(lines);

    // The model goes at once, and the keyring's late answer finds nobody to report to.
    const auto ending = Clock::now();
    bed.model.reset();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - ending).count(), 1.0);
    store->release();
}

TEST(AppModelKeyringTests, AnsweredSavesEndThePendingLineAndQuitDoesNotWait) {
    AppModelTestbed bed;
    auto store = std::make_shared<StuckSecretStore>();
    store->release();
    bed.adjust = [&](AppServices& services) {
        services.keychain = store;
        services.keychainQueue = std::make_shared<DetachableWorkQueue>();
    };
    AppModel& model = bed.make();
    model.phone().setRelay("https://relay.example/push", "secret");
    EXPECT_TRUE(model.phone().savingToKeyring());
    ASSERT_TRUE(waitUntil([&] { return !model.phone().savingToKeyring(); }));
    EXPECT_EQ(model.phone().relayReport(), "Relay set. Send a test push to check it.");

    const auto started = Clock::now();
    model.shutDown();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 1.0);
    for (const std::string& line : bed.log.lines("App")) EXPECT_EQ(line.find("lost"), std::string::npos) << line;
}

TEST(AppModelKeyringTests, AReadWaitingOnAnUnlockPromptIsNotWaitedForAtQuit) {
    AppModelTestbed bed;
    auto store = std::make_shared<StuckSecretStore>(StuckSecretStore::Stuck::readsAndSaves);
    bed.adjust = [&](AppServices& services) {
        services.keychain = store;
        services.keychainQueue = std::make_shared<DetachableWorkQueue>();
    };
    AppModel& model = bed.make();
    // The start-up's read of the stored keys waits on the prompt.
    ASSERT_TRUE(store->awaitRead());

    const auto started = Clock::now();
    model.shutDown();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 1.0) << "a read was waited for";
    EXPECT_TRUE(model.workLeftBehind());
    const std::vector<std::string> lines = bed.log.lines("App");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "notice The login keyring hasn't answered; quitting without it"),
              lines.end())
        << ::testing::PrintToString(lines);
    for (const std::string& line : lines) EXPECT_EQ(line.find("lost"), std::string::npos) << line;
    bed.model.reset();
    store->release();
}

/// A desktop whose teardown runs the calls queued on the main thread, as a desktop service's
/// teardown may.
class EventRunningDesktop final : public AppDesktop {
public:
    ~EventRunningDesktop() override { QCoreApplication::sendPostedEvents(); }
    void showErrorAlert(const std::string&) override {}
    std::optional<std::string> chooseFile(const std::string&) override { return std::nullopt; }
    void openFolder(const std::string&) override {}
    void setShowsInDock(bool) override {}
};

TEST(AppModelKeyringTests, AnAnswerHandedBackButNotRunYetNeverRunsOnAModelBeingTakenApart) {
    AppModelTestbed bed;
    auto store = std::make_shared<InMemorySecretStore>();
    auto queue = std::make_shared<DetachableWorkQueue>();
    bed.adjust = [&](AppServices& services) {
        services.keychain = store;
        services.keychainQueue = queue;
        services.desktop = std::make_unique<EventRunningDesktop>();
    };
    bed.make();
    settle();

    // The keyring answers (with a failure, which the model would log) just as the app ends:
    // the answer is queued for the main thread and not run yet when the model goes.
    store->setFailure(SecretStoreError{SecretStoreError::Code::denied, "The keyring is locked."});
    bed.model->phone().refreshKeys();
    ASSERT_TRUE(queue->waitUntilIdleFor(std::chrono::seconds(5)));
    testing::LogCapture capture;
    bed.model.reset();
    EXPECT_EQ(capture.text().find("Couldn't read"), std::string::npos)
        << "the answer ran on the model while it was taken apart:\n" << capture.text();
}

/// Work that waits until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    void wait() {
        std::unique_lock lock(mutex);
        opened.wait(lock, [this] { return open; });
    }
    void release() {
        std::lock_guard lock(mutex);
        open = true;
        opened.notify_all();
    }
};

TEST(AppModelKeyringTests, WorkStuckOnAnyQueueAtQuitIsLeftBehindWithinTheOneWaitAndNeverReachesTheModel) {
    for (const char* stuckQueue : {"delivery", "phone", "process"}) {
        SCOPED_TRACE(stuckQueue);
        AppModelTestbed bed;
        auto queue = std::make_shared<ThreadPoolWorkQueue>(1, std::chrono::milliseconds(200));
        bed.adjust = [&](AppServices& services) {
            if (std::string(stuckQueue) == "delivery") services.deliveryQueue = queue;
            if (std::string(stuckQueue) == "phone") services.phoneQueue = queue;
            if (std::string(stuckQueue) == "process") services.processQueue = queue;
        };
        AppModel& model = bed.make();
        settle();
        auto gate = std::make_shared<Gate>();
        auto handedBack = std::make_shared<std::atomic<bool>>(false);
        queue->run([gate] { gate->wait(); });
        // Queued behind the stuck work: a push (or sync) whose answer comes after the model.
        if (std::string(stuckQueue) == "delivery") model.phone().sendTestPush("title", "body");
        if (std::string(stuckQueue) == "phone") model.phone().syncPhone();
        if (std::string(stuckQueue) == "process") queue->run([handedBack] { handedBack->store(true); });

        const auto started = Clock::now();
        model.shutDown();
        const double waited = std::chrono::duration<double>(Clock::now() - started).count();
        EXPECT_LT(waited, 2.5);
        EXPECT_TRUE(model.workLeftBehind());

        const auto ending = Clock::now();
        bed.model.reset();
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - ending).count(), 1.0);
        // The stuck work ends after the model; what it hands back finds nobody.
        gate->release();
        ASSERT_TRUE(queue->waitUntilIdleFor(std::chrono::seconds(10)));
        settle();
    }
}

TEST(AppModelKeyringTests, QuitWithNothingStuckLeavesNothingBehind) {
    AppModelTestbed bed;
    auto queue = std::make_shared<ThreadPoolWorkQueue>(2);
    bed.adjust = [&](AppServices& services) { services.deliveryQueue = queue; };
    AppModel& model = bed.make();
    settle();
    model.phone().sendTestPush("title", "body");
    const auto started = Clock::now();
    model.shutDown();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 1.0);
    EXPECT_FALSE(model.workLeftBehind());
}

}  // namespace
}  // namespace quorvel
