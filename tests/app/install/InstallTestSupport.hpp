#pragma once
// A private home folder per test, file helpers, and a clock that moves on a millisecond per
// reading so that dated backups of quick successive edits get distinct names.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "platform/Instant.hpp"

namespace quorvel::testing {

namespace fs = std::filesystem;

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "quorvel-install-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

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

inline mode_t modeOf(const std::string& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
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

/// Sets the umask for a scope: files must get their modes whatever it is.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous_); }

private:
    mode_t previous_;
};

/// Collects the log lines written during a scope.
class LogCapture {
public:
    LogCapture() : file_(folder_ / "log.txt") {
        writeText(file_, "");  // now, so that a test's umask can't make it unreadable
        ::setenv("QUORVEL_LOG_FILE", file_.c_str(), 1);
    }
    ~LogCapture() { ::unsetenv("QUORVEL_LOG_FILE"); }
    std::string text() const { return readText(file_); }

private:
    TemporaryFolder folder_;
    std::string file_;
};

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
