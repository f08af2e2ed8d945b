#pragma once
// The log lines written while it lives: QUORVEL_LOG_FILE points at a file of its own, which
// exists from the start so that a test's umask can't make it unreadable.
#include <sstream>
#include <string>
#include <vector>

#include "platform/files/Files.hpp"
#include "tests/support/ScopedEnvironmentVariable.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::testing {

class LogCapture {
public:
    LogCapture() { (void)files::writeFileAtomically(path_, "", 0600); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::string& path() const { return path_; }

    /// Everything written so far; empty when nothing was.
    std::string text() const {
        auto contents = files::readFile(path_);
        return contents ? contents.value() : std::string();
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::istringstream input(text());
        for (std::string line; std::getline(input, line);) result.push_back(line);
        return result;
    }

private:
    TemporaryFolder folder_;
    std::string path_ = folder_ / "log.txt";
    ScopedEnvironmentVariable variable_{"QUORVEL_LOG_FILE", path_};
};

}  // namespace quorvel::testing
