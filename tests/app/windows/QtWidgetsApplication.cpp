// The windows need a Qt widgets application; one is made for the whole test run, on the
// offscreen platform unless the run chose another.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

class QtWidgetsEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "app_windows_tests";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new QtWidgetsEnvironment);

}  // namespace
