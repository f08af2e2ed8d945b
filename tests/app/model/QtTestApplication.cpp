// The model needs a Qt application object for its timer and its queued calls; one is made
// for the whole test run.
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

class QtApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "app_model_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QCoreApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
