#pragma once
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.hpp"

namespace quorvel::testing {

/// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/quorvel-hook-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

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

    static std::string read(const std::string& path) {
        auto contents = files::readFile(path);
        return contents ? contents.value() : std::string();
    }

    static unsigned permissions(const std::string& path) {
        return static_cast<unsigned>(std::filesystem::status(path).permissions()) & 0777u;
    }

private:
    std::string path_;
};

}  // namespace quorvel::testing
