#include "app/delivery/WorkChains.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "tests/support/TestMainLoop.hpp"

namespace quorvel {
namespace {

using testing::TestMainLoop;
using testing::TestMainThreadHandOff;
using testing::TestWorkQueue;

class WorkChainsTest : public ::testing::Test {
protected:
    std::shared_ptr<TestMainLoop> loop_ = std::make_shared<TestMainLoop>();
    std::unique_ptr<WorkChains> chains_ = std::make_unique<WorkChains>(std::make_unique<TestWorkQueue>(loop_),
                                                                       std::make_unique<TestMainThreadHandOff>(loop_));
    std::vector<std::string> ran_;

    /// A job that notes `name` when it starts and hands back the function that ends it.
    WorkChains::Job job(const std::string& name, std::function<void()>& finish) {
        return [this, name, &finish](std::function<void()> finished) {
            ran_.push_back(name);
            finish = std::move(finished);
        };
    }
};

TEST_F(WorkChainsTest, OneKeysJobsRunInTurnAndOtherKeysAlongside) {
    std::function<void()> firstDone, secondDone, otherDone;
    chains_->enqueue("a", job("a1", firstDone));
    chains_->enqueue("a", job("a2", secondDone));
    chains_->enqueue("b", job("b1", otherDone));
    EXPECT_EQ(ran_, (std::vector<std::string>{"a1", "b1"}));

    firstDone();
    EXPECT_EQ(ran_, (std::vector<std::string>{"a1", "b1", "a2"}));
    secondDone();
    // The chain of "a" is empty and gone: a new job starts at once.
    std::function<void()> thirdDone;
    chains_->enqueue("a", job("a3", thirdDone));
    EXPECT_EQ(ran_.back(), "a3");
}

TEST_F(WorkChainsTest, ResultsComeBackOnTheMainThreadUnlessTheChainsAreGone) {
    int result = 0;
    chains_->inBackground<int>([] { return 7; }, [&](int value) { result = value; });
    ASSERT_TRUE(loop_->settle());
    EXPECT_EQ(result, 7);

    std::atomic<bool> posted = false;
    bool landed = false;
    const auto post = chains_->poster();
    chains_->inBackground<int>(
        [&, post] {
            post([&] { landed = true; });
            posted = true;
            return 8;
        },
        [&](int value) { result = value; });
    chains_.reset();  // waits for the work, whose results are still on their way
    EXPECT_TRUE(posted);
    ASSERT_TRUE(loop_->settle());
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(landed);
}

TEST_F(WorkChainsTest, AfterStopNothingStartsButTheResultsInFlightLand) {
    int result = 0;
    chains_->inBackground<int>([] { return 7; }, [&](int value) { result = value; });
    chains_->stop(std::chrono::milliseconds(20000));
    EXPECT_EQ(result, 7);
    EXPECT_TRUE(chains_->stopped());

    std::function<void()> done;
    chains_->enqueue("a", job("a1", done));
    chains_->inBackground<int>([] { return 8; }, [&](int value) { result = value; });
    ASSERT_TRUE(loop_->settle());
    EXPECT_TRUE(ran_.empty());
    EXPECT_EQ(result, 7);
}

}  // namespace
}  // namespace quorvel
