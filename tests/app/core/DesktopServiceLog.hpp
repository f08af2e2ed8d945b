#pragma once
// The log lines that the desktop services write while a test runs, read back from the
// logger's test file (QUORVEL_LOG_FILE), as "<level> <message>" for one category.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Files.hpp"
#include "tests/platform/TemporaryFolder.hpp"

namespace quorvel::testing {

class DesktopServiceLog {
public:
    DesktopServiceLog() { ::setenv("QUORVEL_LOG_FILE", path().c_str(), 1); }
    ~DesktopServiceLog() { ::unsetenv("QUORVEL_LOG_FILE"); }
    DesktopServiceLog(const DesktopServiceLog&) = delete;
    DesktopServiceLog& operator=(const DesktopServiceLog&) = delete;

    std::vector<std::string> lines(const std::string& category) const {
        std::vector<std::string> found;
        const auto contents = files::readFile(path());
        if (!contents) return found;
        const std::string marker = " com.tessaloom.quorvel.mac [" + category + "] ";
        std::istringstream stream(*contents);
        for (std::string line; std::getline(stream, line);) {
            const std::size_t at = line.find(marker);
            if (at == std::string::npos) continue;
            found.push_back(line.substr(0, at) + " " + line.substr(at + marker.size()));
        }
        return found;
    }

private:
    std::string path() const { return folder_ / "log.txt"; }

    TemporaryFolder folder_;
};

}  // namespace quorvel::testing
