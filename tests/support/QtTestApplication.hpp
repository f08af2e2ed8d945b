#pragma once
// The one Qt application object of a test run, made before the first test and destroyed
// after the last, for suites whose code under test needs one (timers, queued calls, widgets).
// A widgets application runs on the offscreen platform unless the run chose another.
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>

namespace quorvel::testing {

template <typename Application>
class QtTestApplication final : public ::testing::Environment {
public:
    /// `name` is the program name Qt is given.
    explicit QtTestApplication(std::string name) : name_(std::move(name)) {}

    void SetUp() override {
        if constexpr (std::is_base_of_v<QGuiApplication, Application>) ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        application_ = std::make_unique<Application>(argc_, argv_);
    }
    void TearDown() override { application_.reset(); }

private:
    std::string name_;
    // Qt keeps references to these for the application's life.
    int argc_ = 1;
    char* argv_[2] = {name_.data(), nullptr};
    std::unique_ptr<Application> application_;
};

/// Registers the application with the test run; use once per suite, at namespace scope.
template <typename Application>
::testing::Environment* addQtTestApplication(std::string name) {
    return ::testing::AddGlobalTestEnvironment(new QtTestApplication<Application>(std::move(name)));
}

}  // namespace quorvel::testing
