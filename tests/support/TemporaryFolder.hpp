#pragma once
// A fresh folder under the system's temporary folder for one test, removed with everything in
// it at the end, also where the test took the owner's permissions away from a folder in it.
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace quorvel::testing {

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("Couldn't create a temporary folder: " + std::string(std::strerror(errno)));
        }
        path_ = pattern;
    }
    ~TemporaryFolder() {
        restoreOwnerAccess(path_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

private:
    // Each folder is opened up before it is read, so a folder the test locked is still emptied.
    static void restoreOwnerAccess(const std::filesystem::path& folder) {
        namespace fs = std::filesystem;
        std::error_code ignored;
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
            if (entry->is_directory(ignored) && !entry->is_symlink(ignored)) restoreOwnerAccess(entry->path());
        }
    }

    std::string path_;
};

}  // namespace quorvel::testing
