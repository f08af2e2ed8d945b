#include "app/install/AppIcons.hpp"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "kit/engine/Quorvel.hpp"
#include "platform/files/ResourceFolder.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {
namespace {

constexpr mode_t iconMode = 0644;
constexpr mode_t folderMode = 0755;

const Logger& iconLogger() {
    static const Logger logger(Quorvel::macBundleID, "LauncherEntry");
    return logger;
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

/// "<size>/apps/quorvel.png" for each size folder of `theme` that holds the icon.
std::vector<std::string> iconsIn(const std::string& theme) {
    std::vector<std::string> icons;
    std::error_code error;
    for (const auto& size : std::filesystem::directory_iterator(theme, error)) {
        const std::string relative = size.path().filename().string() + "/apps/" + AppIcons::fileName();
        std::error_code missing;
        if (std::filesystem::is_regular_file(files::joinPath(theme, relative), missing)) icons.push_back(relative);
    }
    return icons;
}

}  // namespace

AppIcons::AppIcons(std::string sourceTheme, std::string userTheme)
    : sourceTheme_(std::move(sourceTheme)), userTheme_(std::move(userTheme)) {}

AppIcons AppIcons::forRunningApp(const std::string& userApplications) {
    const auto resources = files::resourceFolder();
    if (!resources || userApplications.empty()) return {};
    const std::string userTheme = files::joinPath(files::parentPath(userApplications), "icons/hicolor");
    for (const char* candidate : {"icons/hicolor", "../icons/hicolor"}) {
        const std::string theme =
            std::filesystem::path(files::joinPath(*resources, candidate)).lexically_normal().string();
        if (isFolder(theme)) return AppIcons(theme, userTheme);
    }
    return {};
}

std::string AppIcons::fileName() { return std::string(Quorvel::desktopEntryName) + ".png"; }

Expected<void, files::FileError> AppIcons::keep() const {
    if (sourceTheme_.empty() || userTheme_.empty()) return {};
    std::optional<files::FileError> failure;
    for (const std::string& icon : iconsIn(sourceTheme_)) {
        const auto picture = files::readFile(files::joinPath(sourceTheme_, icon));
        if (!picture) {
            if (!failure) failure = picture.error();
            continue;
        }
        const std::string target = files::joinPath(userTheme_, icon);
        if (const auto present = files::readFile(target); present && *present == *picture) continue;
        auto folder = files::createDirectories(files::parentPath(target), folderMode);
        auto written = folder ? files::writeFileAtomically(target, *picture, iconMode) : folder;
        if (!written) {
            if (!failure) failure = written.error();
            continue;
        }
        iconLogger().info("Icon " + target + " now shows this copy's icon");
    }
    if (failure) return unexpected(*failure);
    return {};
}

Expected<void, files::FileError> AppIcons::remove() const {
    if (sourceTheme_.empty() || userTheme_.empty()) return {};
    std::optional<files::FileError> failure;
    for (const std::string& icon : iconsIn(sourceTheme_)) {
        const std::string target = files::joinPath(userTheme_, icon);
        if (std::remove(target.c_str()) != 0) {
            if (errno != ENOENT && !failure) failure = files::fileErrorFromErrno(errno, target);
            continue;
        }
        iconLogger().info("Removed icon " + target + ": the installed one is this copy's");
    }
    if (failure) return unexpected(*failure);
    return {};
}

}  // namespace quorvel
