#include "app/install/AppLauncherEntry.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "generated/InstalledLauncherEntry.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/desktop/DesktopEntry.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/processes/ExecutablePath.hpp"

namespace quorvel {
namespace {

constexpr std::string_view ownEntryMark =
    "# Written by Quorvel for the copy of the app named below; rewritten or removed at each start.\n";
constexpr std::string_view execKey = "Exec=";
constexpr mode_t entryMode = 0644;
constexpr mode_t folderMode = 0755;

const Logger& entryLogger() {
    static const Logger logger(Quorvel::macBundleID, "LauncherEntry");
    return logger;
}

std::string entryFileName() { return std::string(Quorvel::desktopEntryName) + ".desktop"; }

std::optional<struct stat> statusOf(const std::string& path, bool followLinks) {
    struct stat status {};
    const int result = followLinks ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status);
    if (result != 0) return std::nullopt;
    return status;
}

bool isProgram(const std::string& path) {
    const auto status = statusOf(path, true);
    return status && S_ISREG(status->st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool sameFile(const std::string& one, const std::string& other) {
    const auto first = statusOf(one, true);
    const auto second = statusOf(other, true);
    return first && second && first->st_dev == second->st_dev && first->st_ino == second->st_ino;
}

/// `program` as the desktop runs it: a path as it is, a bare name found in PATH.
std::optional<std::string> resolvedProgram(const std::string& program) {
    if (program.find('/') != std::string::npos) return program;
    const char* searched = std::getenv("PATH");
    std::string_view folders = searched != nullptr ? searched : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        if (!folder.empty()) {
            const std::string candidate = files::joinPath(std::string(folder), program);
            if (isProgram(candidate)) return candidate;
        }
        if (colon == std::string_view::npos) break;
        folders.remove_prefix(colon + 1);
    }
    return std::nullopt;
}

/// One "Exec=" line of the installed entry with its program replaced by `executable`.
std::string execLineFor(std::string_view line, std::string_view executable) {
    const auto command = DesktopEntry::parse("[Desktop Entry]\n" + std::string(line)).execArguments();
    std::vector<std::string> arguments = command.value_or(std::vector<std::string>{""});
    arguments.front() = std::string(executable);
    return std::string(execKey) + DesktopEntry::execValue(arguments);
}

}  // namespace

AppLauncherEntry::AppLauncherEntry(std::string userFolder, std::vector<std::string> installedFolders,
                                   std::string executable, AppIcons icons)
    : userFolder_(std::move(userFolder)),
      installedFolders_(std::move(installedFolders)),
      executable_(std::move(executable)),
      icons_(std::move(icons)) {}

AppLauncherEntry AppLauncherEntry::forRunningApp() {
    std::vector<std::string> folders = DesktopEntry::applicationFolders();
    if (folders.empty()) return {};
    std::string user = std::move(folders.front());
    folders.erase(folders.begin());
    AppIcons icons = AppIcons::forRunningApp(user);
    return AppLauncherEntry(std::move(user), std::move(folders), files::executablePath(), std::move(icons));
}

std::string AppLauncherEntry::contents(std::string_view executable) {
    std::string text(ownEntryMark);
    std::string_view installed = Quorvel::installedLauncherEntry;
    while (!installed.empty()) {
        const std::size_t end = installed.find('\n');
        const std::string_view line = installed.substr(0, end);
        installed.remove_prefix(end == std::string_view::npos ? installed.size() : end + 1);
        if (line.starts_with(execKey)) {
            text += execLineFor(line, executable);
        } else {
            text += line;
        }
        text += '\n';
        // Launchers pass an entry over whose program is gone.
        if (line == "[Desktop Entry]") text += "TryExec=" + DesktopEntry::escapedValue(executable) + "\n";
    }
    return text;
}

bool AppLauncherEntry::isOwnEntry(std::string_view text) { return text.starts_with(ownEntryMark); }

std::string AppLauncherEntry::path() const {
    if (userFolder_.empty() || executable_.empty()) return {};
    return files::joinPath(userFolder_, entryFileName());
}

bool AppLauncherEntry::installedEntryStartsThisCopy() const {
    for (const std::string& folder : installedFolders_) {
        const std::string candidate = files::joinPath(folder, entryFileName());
        const auto status = statusOf(candidate, true);
        if (!status || !S_ISREG(status->st_mode)) continue;
        // The first one found is the one the desktop uses: it decides.
        const auto text = files::readFile(candidate);
        if (!text) return false;
        const DesktopEntry entry = DesktopEntry::parse(*text);
        if (entry.booleanValue("Hidden") == true) return false;
        const auto command = entry.execArguments();
        if (!command) return false;
        const auto program = resolvedProgram(command->front());
        return program && sameFile(*program, executable_);
    }
    return false;
}

Expected<void, files::FileError> AppLauncherEntry::keep() const {
    const std::string entryPath = path();
    if (entryPath.empty()) return {};
    const auto existing = statusOf(entryPath, false);
    std::optional<std::string> written;
    // A link, a folder or a file of the user's own is the user's choice.
    bool usersOwn = existing && !S_ISREG(existing->st_mode);
    if (existing && !usersOwn) {
        auto text = files::readFile(entryPath);
        usersOwn = !text || !isOwnEntry(*text);
        if (!usersOwn) written = std::move(*text);
    }
    if (installedEntryStartsThisCopy()) {
        if (!written) return {};
        if (std::remove(entryPath.c_str()) != 0 && errno != ENOENT) {
            return unexpected(files::fileErrorFromErrno(errno, entryPath));
        }
        entryLogger().info("Removed launcher entry " + entryPath + ": the installed one starts this copy");
        return icons_.remove();
    }
    // The banners name the icon whoever's entry starts the app.
    if (usersOwn) return icons_.keep();
    if (!executable_.starts_with('/') || !isProgram(executable_)) {
        return unexpected(files::FileError{ENOENT, executable_, "The app's program is no longer at " + executable_});
    }
    auto icons = icons_.keep();
    const std::string wanted = contents(executable_);
    if (written == wanted) return icons;
    if (auto folder = files::createDirectories(userFolder_, folderMode); !folder) return unexpected(folder.error());
    if (auto saved = files::writeFileAtomically(entryPath, wanted, entryMode); !saved) return unexpected(saved.error());
    entryLogger().info("Launcher entry " + entryPath + " now starts " + executable_);
    return icons;
}

}  // namespace quorvel
