#pragma once
// The hook tests' throw-away folder, with the readings of what the helper left in it.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/FileText.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::testing {

class TempFolder : public TemporaryFolder {
public:
    /// Names in `folder`, sorted; empty when it doesn't exist.
    static std::vector<std::string> names(const std::string& folder) {
        std::vector<std::string> found;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            found.push_back(entry.path().filename());
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    static std::string read(const std::string& path) { return fileText(path); }

    static unsigned permissions(const std::string& path) {
        return static_cast<unsigned>(std::filesystem::status(path).permissions()) & 0777u;
    }
};

}  // namespace quorvel::testing
