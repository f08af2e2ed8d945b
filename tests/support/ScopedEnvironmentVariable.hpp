#pragma once
// Sets one environment variable for a scope and puts back what was there before (its value,
// or its absence), also when an assertion ends the test early.
#include <stdlib.h>

#include <optional>
#include <string>

namespace quorvel::testing {

class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* previous = ::getenv(name_.c_str())) previous_ = previous;
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnvironmentVariable() {
        if (previous_) {
            ::setenv(name_.c_str(), previous_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

    /// Sets another value within the scope.
    void set(const std::string& value) const { ::setenv(name_.c_str(), value.c_str(), 1); }

private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace quorvel::testing
