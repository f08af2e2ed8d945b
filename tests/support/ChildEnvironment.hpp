#pragma once
// The environment a test hands a program it starts: its own, with some variables changed.
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace quorvel::testing {

class ChildEnvironment {
public:
    /// This process's environment with `changes` applied: a value sets the variable, an
    /// absent one removes it.
    explicit ChildEnvironment(const std::map<std::string, std::optional<std::string>>& changes) {
        std::map<std::string, std::string> variables;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const std::size_t equals = text.find('=');
            if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        for (const auto& [name, value] : changes) {
            if (value) {
                variables[name] = *value;
            } else {
                variables.erase(name);
            }
        }
        for (const auto& [name, value] : variables) entries_.push_back(name + "=" + value);
        for (std::string& entry : entries_) pointers_.push_back(entry.data());
        pointers_.push_back(nullptr);
    }
    ChildEnvironment(const ChildEnvironment&) = delete;
    ChildEnvironment& operator=(const ChildEnvironment&) = delete;

    /// For posix_spawn and exec: valid while this object lives.
    char** envp() { return pointers_.data(); }

private:
    std::vector<std::string> entries_;
    std::vector<char*> pointers_;
};

}  // namespace quorvel::testing
