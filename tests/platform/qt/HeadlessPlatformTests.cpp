#include "platform/qt/HeadlessPlatform.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace quorvel {
namespace {

// Sets the three variables for one case and puts the old values back afterwards.
class DisplayVariables {
public:
    DisplayVariables() {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        }
    }
    ~DisplayVariables() {
        for (const auto& [name, value] : saved_) set(name.c_str(), value);
    }

    static void set(const char* name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

    static constexpr const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(HeadlessPlatform, ChoosesOffscreenOnlyWithoutADisplayAndWithoutAChoiceOfTheUsers) {
    struct Case {
        std::optional<std::string> display, wayland, platform;
        bool chosen;
        std::optional<std::string> platformAfter;
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, std::nullopt, true, "offscreen"},
        {"", "", std::nullopt, true, "offscreen"},
        {":0", std::nullopt, std::nullopt, false, std::nullopt},
        {std::nullopt, "wayland-0", std::nullopt, false, std::nullopt},
        {std::nullopt, std::nullopt, "vnc", false, "vnc"},
    };
    DisplayVariables restore;
    for (const Case& test : cases) {
        DisplayVariables::set("DISPLAY", test.display);
        DisplayVariables::set("WAYLAND_DISPLAY", test.wayland);
        DisplayVariables::set("QT_QPA_PLATFORM", test.platform);
        EXPECT_EQ(HeadlessPlatform::chooseOffscreenIfNoDisplay(), test.chosen);
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        EXPECT_EQ(platform != nullptr ? std::optional<std::string>(platform) : std::nullopt, test.platformAfter);
    }
}

}  // namespace
}  // namespace quorvel
