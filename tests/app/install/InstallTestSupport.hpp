#pragma once
// The install tests' file helpers, and a clock that moves on a millisecond per reading so that
// dated backups of quick successive edits get distinct names.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/time/Instant.hpp"
#include "tests/support/FileMode.hpp"
#include "tests/support/LogCapture.hpp"
#include "tests/support/ScopedUmask.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::testing {

namespace fs = std::filesystem;

inline void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

inline ino_t inodeOf(const std::string& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_ino;
}

/// Names in `folder` that begin with `prefix`, sorted.
inline std::vector<std::string> namesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SteppingClock final : public Clock {
public:
    explicit SteppingClock(Instant start) : next_(start) {}
    Instant now() const override {
        const Instant reading = next_;
        next_ = next_.adding(0.001);
        return reading;
    }

private:
    mutable Instant next_;
};

}  // namespace quorvel::testing
