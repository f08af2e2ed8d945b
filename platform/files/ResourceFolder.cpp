#include "platform/files/ResourceFolder.hpp"

#include <array>
#include <filesystem>
#include <sys/stat.h>

#include "platform/files/Files.hpp"
#include "platform/processes/ExecutablePath.hpp"

namespace quorvel::files {

namespace {

constexpr const char* installedFolder = "../share/quorvel";

bool isFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::optional<std::string> resourceFolderFor(const std::string& executable) {
    if (executable.empty()) return std::nullopt;
    const std::string folder = parentPath(executable);
    constexpr std::array<const char*, 3> candidates{installedFolder, "../resources", "../../resources"};
    for (const char* candidate : candidates) {
        const std::string path = std::filesystem::path(joinPath(folder, candidate)).lexically_normal().string();
        if (isFolder(path)) return path;
    }
    return std::nullopt;
}

std::optional<std::string> resourceFolder() { return resourceFolderFor(executablePath()); }

bool runningInstalled() {
    const std::string executable = executablePath();
    return !executable.empty() && isFolder(joinPath(parentPath(executable), installedFolder));
}

}  // namespace quorvel::files
