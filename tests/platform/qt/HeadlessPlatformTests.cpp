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

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

TEST(HeadlessPlatform, ChoosesOffscreenWithoutAUsableDisplayAndWithoutAChoiceOfTheUsers) {
    using Display = HeadlessPlatform::Display;
    struct Case {
        Display display;
        std::optional<std::string> wayland, platform;
        bool told;
        std::optional<std::string> platformAfter, displayAfter;
    };
    const std::vector<Case> cases = {
        {Display::none, std::nullopt, std::nullopt, true, "offscreen", ":77"},
        {Display::usable, std::nullopt, std::nullopt, false, std::nullopt, ":77"},
        {Display::none, std::nullopt, "vnc", false, "vnc", ":77"},
        // A display that can't be opened is dropped, and Qt's X11 platform, which would abort
        // on it, never tries it.
        {Display::unreachable, std::nullopt, std::nullopt, true, "offscreen", std::nullopt},
        {Display::unreachable, std::nullopt, "xcb", true, "offscreen", std::nullopt},
        {Display::unreachable, "wayland-0", std::nullopt, false, std::nullopt, std::nullopt},
    };
    DisplayVariables restore;
    for (const Case& test : cases) {
        SCOPED_TRACE(static_cast<int>(test.display));
        DisplayVariables::set("DISPLAY", ":77");
        DisplayVariables::set("WAYLAND_DISPLAY", test.wayland);
        DisplayVariables::set("QT_QPA_PLATFORM", test.platform);
        EXPECT_EQ(!HeadlessPlatform::chooseOffscreenWithoutDisplay(test.display).empty(), test.told);
        EXPECT_EQ(variable("QT_QPA_PLATFORM"), test.platformAfter);
        EXPECT_EQ(variable("DISPLAY"), test.displayAfter);
    }
}

TEST(HeadlessPlatform, ADisplayNobodyServesOrNoneAtAllIsNotUsable) {
    DisplayVariables restore;
    DisplayVariables::set("WAYLAND_DISPLAY", std::nullopt);
    DisplayVariables::set("DISPLAY", std::nullopt);
    EXPECT_EQ(HeadlessPlatform::probeDisplay(), HeadlessPlatform::Display::none);
    // A display number no server on this machine takes.
    DisplayVariables::set("DISPLAY", ":65000");
    EXPECT_EQ(HeadlessPlatform::probeDisplay(), HeadlessPlatform::Display::unreachable);
    DisplayVariables::set("DISPLAY", std::nullopt);
    DisplayVariables::set("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_EQ(HeadlessPlatform::probeDisplay(), HeadlessPlatform::Display::usable);
}

}  // namespace
}  // namespace quorvel
