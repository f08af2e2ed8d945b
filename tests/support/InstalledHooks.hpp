#pragma once
// The agent's settings file as the app writes it when the user turns the hooks on, checked
// against the installer's own registrations, so adding an event changes no test that only
// watches the app install them.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "kit/hooks/HookSettingsEditor.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel::testing {

/// Every event of `HookSettingsEditor::hooks()`, in its order and nothing else, each with one
/// group (its matcher, if any) holding one entry that runs `helper` with no arguments,
/// asynchronously unless the registration gives a timeout.
inline void expectEveryRegistrationInstalled(const json::Json& settings, const std::string& helper) {
    const std::vector<HookSpec>& registrations = HookSettingsEditor::hooks();
    const json::Json& events = settings.at("hooks");
    std::vector<std::string> expected;
    for (const HookSpec& spec : registrations) expected.push_back(spec.event);
    std::vector<std::string> written;
    for (const auto& [event, groups] : events.items()) written.push_back(event);
    ASSERT_EQ(written, expected);

    for (const HookSpec& spec : registrations) {
        SCOPED_TRACE(spec.event);
        const json::Json& groups = events.at(spec.event);
        ASSERT_EQ(groups.size(), 1u);
        EXPECT_EQ(groups[0].contains("matcher") ? std::optional(groups[0].at("matcher").get<std::string>()) : std::nullopt,
                  spec.matcher);
        const json::Json& entry = groups[0].at("hooks").at(0);
        EXPECT_EQ(entry.at("type"), "command");
        EXPECT_EQ(entry.at("command"), helper);
        EXPECT_EQ(entry.at("args"), json::Json::array());
        if (spec.timeout) {
            EXPECT_EQ(entry.at("timeout"), *spec.timeout);
            EXPECT_FALSE(entry.contains("async"));
        } else {
            EXPECT_EQ(entry.at("async"), true);
        }
    }
}

}  // namespace quorvel::testing
