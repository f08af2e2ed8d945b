#pragma once
// The log lines that the desktop services write while a test runs, read back from the
// logger's test file (QUORVEL_LOG_FILE), as "<level> <message>" for one category.
#include <string>
#include <vector>

#include "tests/support/LogCapture.hpp"

namespace quorvel::testing {

class DesktopServiceLog {
public:
    std::vector<std::string> lines(const std::string& category) const {
        std::vector<std::string> found;
        const std::string marker = " com.tessaloom.quorvel.mac [" + category + "] ";
        for (const std::string& line : capture_.lines()) {
            const std::size_t at = line.find(marker);
            if (at == std::string::npos) continue;
            found.push_back(line.substr(0, at) + " " + line.substr(at + marker.size()));
        }
        return found;
    }

private:
    LogCapture capture_;
};

}  // namespace quorvel::testing
