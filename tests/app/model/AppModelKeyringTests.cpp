// A login keyring that never answers: the save shows as pending, and quitting gives it two
// seconds, reports it lost, and never waits for it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "app/model/DetachableWorkQueue.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/app/model/StuckSecretStore.hpp"
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
    QObject::connect(&model, &AppModel::savingToKeyringChanged, [&] { ++changes; });

    model.setRelay("https://relay.example/push", "secret");
    EXPECT_TRUE(model.savingToKeyring());
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(store->awaitSave());
    settle();
    EXPECT_TRUE(model.savingToKeyring()) << "no answer, no end of the pending save";

    const auto started = Clock::now();
    model.shutDown();
    const double waited = std::chrono::duration<double>(Clock::now() - started).count();
    EXPECT_GE(waited, 1.9);
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
    model.setRelay("https://relay.example/push", "secret");
    EXPECT_TRUE(model.savingToKeyring());
    ASSERT_TRUE(waitUntil([&] { return !model.savingToKeyring(); }));
    EXPECT_EQ(model.lastPushReport(), "Relay set. Send a test push to check it.");

    const auto started = Clock::now();
    model.shutDown();
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 1.0);
    for (const std::string& line : bed.log.lines("App")) EXPECT_EQ(line.find("lost"), std::string::npos) << line;
}

}  // namespace
}  // namespace quorvel
