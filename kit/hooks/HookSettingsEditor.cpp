#include "kit/hooks/HookSettingsEditor.hpp"

#include "kit/engine/HookEventKind.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {

namespace {

const std::string topLevelPath = "The top level";
const std::string hooksPath = "\"hooks\"";

std::string eventPath(std::string_view event) { return "\"hooks." + std::string(event) + "\""; }

/// Index of the first member named `key`, or members.size().
std::size_t firstMemberIndex(const std::vector<JSONMember>& members, std::string_view key) {
    std::size_t index = 0;
    while (index < members.size() && members[index].key != key) ++index;
    return index;
}

/// The first own entry met walking events, groups and entries in file order; shapes the
/// system does not own are passed over.
const JSONValue* firstOwnEntry(const JSONValue& root) {
    const JSONValue* hooks = root.member("hooks");
    if (!hooks || !hooks->isObject()) return nullptr;
    for (const auto& event : *hooks->members()) {
        const auto* groups = event.value.elements();
        if (!groups) continue;
        for (const auto& group : *groups) {
            const JSONValue* entries = group.member("hooks");
            if (!entries || !entries->isArray()) continue;
            for (const auto& entry : *entries->elements()) {
                if (HookSettingsEditor::isOwnEntry(entry)) return &entry;
            }
        }
    }
    return nullptr;
}

/// A group of the file with the system's entries taken out of its "hooks" array. Absent when
/// the group held only those and goes; `changed` tells whether anything was taken out.
std::optional<JSONValue> strippedGroup(const JSONValue& group, bool& changed) {
    changed = false;
    const auto* members = group.members();
    if (!members) return group;
    const std::size_t hooksIndex = firstMemberIndex(*members, "hooks");
    if (hooksIndex == members->size()) return group;
    const auto* entries = (*members)[hooksIndex].value.elements();
    if (!entries) return group;

    std::vector<JSONValue> kept;
    for (const auto& entry : *entries) {
        if (!HookSettingsEditor::isOwnEntry(entry)) kept.push_back(entry);
    }
    if (kept.size() == entries->size()) return group;
    changed = true;
    if (kept.empty()) return std::nullopt;
    std::vector<JSONMember> newMembers = *members;
    newMembers[hooksIndex].value = JSONValue::array(std::move(kept));
    return JSONValue::object(std::move(newMembers));
}

Expected<JSONValue, HookSettingsEditor::EditError> strip(const JSONValue& root) {
    using EditError = HookSettingsEditor::EditError;
    const auto* rootMembers = root.members();
    if (!rootMembers) return unexpected(EditError::notAnObject(topLevelPath));
    const std::size_t hooksIndex = firstMemberIndex(*rootMembers, "hooks");
    if (hooksIndex == rootMembers->size()) return root;
    const auto* events = (*rootMembers)[hooksIndex].value.members();
    if (!events) return unexpected(EditError::notAnObject(hooksPath));

    std::vector<JSONMember> newEvents;
    for (const auto& event : *events) {
        const auto* groups = event.value.elements();
        if (!groups) {
            newEvents.push_back(event);
            continue;
        }
        std::vector<JSONValue> newGroups;
        bool anyChanged = false;
        for (const auto& group : *groups) {
            bool changed = false;
            auto kept = strippedGroup(group, changed);
            anyChanged = anyChanged || changed;
            if (kept) newGroups.push_back(std::move(*kept));
        }
        if (anyChanged && newGroups.empty()) continue;  // the event held only our groups
        newEvents.emplace_back(event.key, JSONValue::array(std::move(newGroups)), event.rawKey);
    }

    std::vector<JSONMember> newRoot = *rootMembers;
    if (newEvents.empty() && !events->empty()) {
        newRoot.erase(newRoot.begin() + static_cast<std::ptrdiff_t>(hooksIndex));
    } else {
        newRoot[hooksIndex].value = JSONValue::object(std::move(newEvents));
    }
    return JSONValue::object(std::move(newRoot));
}

JSONValue makeGroup(const HookSpec& spec, std::string_view helperPath, const std::vector<std::string>& arguments) {
    std::vector<JSONValue> argumentValues;
    for (const auto& argument : arguments) argumentValues.push_back(JSONValue::string(argument));

    std::vector<JSONMember> entry;
    entry.emplace_back("type", JSONValue::string("command"));
    entry.emplace_back("command", JSONValue::string(std::string(helperPath)));
    entry.emplace_back("args", JSONValue::array(std::move(argumentValues)));
    if (spec.timeout) {
        entry.emplace_back("timeout", JSONValue::number(std::to_string(*spec.timeout)));
    } else {
        entry.emplace_back("async", JSONValue::boolean(true));
    }

    std::vector<JSONMember> group;
    if (spec.matcher) group.emplace_back("matcher", JSONValue::string(*spec.matcher));
    group.emplace_back("hooks", JSONValue::array({JSONValue::object(std::move(entry))}));
    return JSONValue::object(std::move(group));
}

}  // namespace

std::string HookSettingsEditor::EditError::message() const {
    switch (kind) {
        case Kind::notAnObject:
            return path + " in settings.json isn't a JSON object, so Quorvel won't touch it.";
        case Kind::notAnArray:
            return path + " in settings.json isn't a list, so Quorvel won't touch it.";
    }
    return path;
}

const std::vector<HookSpec>& HookSettingsEditor::hooks() {
    // The events the session engine tells apart, under the agent's names for them.
    const auto named = [](HookEventKind kind) { return std::string(agentNameOf(kind)); };
    static const std::vector<HookSpec> table = {
        {named(HookEventKind::sessionStart), std::nullopt, std::nullopt},
        {named(HookEventKind::userPromptSubmit), std::nullopt, std::nullopt},
        {named(HookEventKind::stop), std::nullopt, std::nullopt},
        {named(HookEventKind::stopFailure), std::nullopt, std::nullopt},
        {named(HookEventKind::notification),
         "permission_prompt|elicitation_dialog|elicitation_url_dialog|agent_needs_input|idle_prompt",
         std::nullopt},
        {named(HookEventKind::postToolUse), "Bash", std::nullopt},
        {named(HookEventKind::postToolUseFailure), "Bash", std::nullopt},
        {named(HookEventKind::sessionEnd), std::nullopt, 2},
    };
    return table;
}

bool HookSettingsEditor::isOwnEntry(const JSONValue& entry) {
    const JSONValue* command = entry.member("command");
    if (!command) return false;
    const auto text = command->stringValue();
    if (!text) return false;
    // Only a whole path component counts, so a user's own "my-quorvel-hook" is never ours.
    const std::string trimmed = text::trimmingWhitespace(*text);
    const std::string suffix = "/" + std::string(helperName);
    return trimmed == helperName ||
           (trimmed.size() >= suffix.size() && trimmed.compare(trimmed.size() - suffix.size(), suffix.size(), suffix) == 0);
}

Expected<JSONValue, HookSettingsEditor::EditError> HookSettingsEditor::uninstall(const JSONValue& root) {
    return strip(root);
}

Expected<JSONValue, HookSettingsEditor::EditError> HookSettingsEditor::install(
    const JSONValue& root, std::string_view helperPath, const std::vector<std::string>& arguments) {
    auto stripped = strip(root);
    if (!stripped) return stripped;
    const auto* rootMembers = stripped->members();
    if (!rootMembers) return unexpected(EditError::notAnObject(topLevelPath));

    const std::size_t hooksIndex = firstMemberIndex(*rootMembers, "hooks");
    const bool hadHooks = hooksIndex < rootMembers->size();
    std::vector<JSONMember> events;
    if (hadHooks) {
        const auto* existing = (*rootMembers)[hooksIndex].value.members();
        if (!existing) return unexpected(EditError::notAnObject(hooksPath));
        events = *existing;
    }

    for (const auto& spec : hooks()) {
        JSONValue group = makeGroup(spec, helperPath, arguments);
        const std::size_t eventIndex = firstMemberIndex(events, spec.event);
        if (eventIndex == events.size()) {
            events.emplace_back(spec.event, JSONValue::array({std::move(group)}));
            continue;
        }
        const auto* groups = events[eventIndex].value.elements();
        if (!groups) return unexpected(EditError::notAnArray(eventPath(spec.event)));
        std::vector<JSONValue> newGroups = *groups;
        newGroups.push_back(std::move(group));
        events[eventIndex].value = JSONValue::array(std::move(newGroups));
    }

    std::vector<JSONMember> newRoot = *rootMembers;
    if (hadHooks) {
        newRoot[hooksIndex].value = JSONValue::object(std::move(events));
    } else {
        newRoot.emplace_back("hooks", JSONValue::object(std::move(events)));
    }
    return JSONValue::object(std::move(newRoot));
}

bool HookSettingsEditor::isInstalled(const JSONValue& root) { return firstOwnEntry(root) != nullptr; }

std::vector<std::string> HookSettingsEditor::installedArguments(const JSONValue& root) {
    std::vector<std::string> arguments;
    const JSONValue* entry = firstOwnEntry(root);
    if (!entry) return arguments;
    const JSONValue* args = entry->member("args");
    if (!args || !args->isArray()) return arguments;
    for (const auto& argument : *args->elements()) {
        if (auto text = argument.stringValue()) arguments.push_back(std::move(*text));
    }
    return arguments;
}

}  // namespace quorvel
