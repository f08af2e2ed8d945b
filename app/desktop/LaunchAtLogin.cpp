#include "app/desktop/LaunchAtLogin.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "kit/engine/Quorvel.hpp"
#include "platform/desktop/DesktopEntry.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/processes/ExecutablePath.hpp"

namespace quorvel {
namespace {

const Logger& launchLogger() {
    static const Logger logger(Quorvel::macBundleID, "LaunchAtLogin");
    return logger;
}

std::string configHome() {
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured != nullptr && *configured == '/') return configured;
    return files::joinPath(files::homeDirectory(), ".config");
}

bool sameFile(const std::string& one, const std::string& other) {
    struct stat first {};
    struct stat second {};
    return ::stat(one.c_str(), &first) == 0 && ::stat(other.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

/// `contents` with the "Exec" line of its "[Desktop Entry]" group running `arguments`.
std::string withExec(std::string_view contents, const std::vector<std::string>& arguments) {
    std::string text;
    bool inMainGroup = false;
    while (!contents.empty()) {
        const std::size_t end = contents.find('\n');
        const std::string_view line = contents.substr(0, end);
        contents.remove_prefix(end == std::string_view::npos ? contents.size() : end + 1);
        if (line.starts_with('[')) inMainGroup = line == "[Desktop Entry]";
        if (inMainGroup && line.starts_with("Exec=")) {
            text += "Exec=" + DesktopEntry::execValue(arguments);
        } else {
            text += line;
        }
        text += '\n';
    }
    return text;
}

}  // namespace

LaunchAtLogin::LaunchAtLogin(std::string entryPath, std::string executable)
    : entryPath_(std::move(entryPath)), executable_(std::move(executable)) {}

LaunchAtLogin LaunchAtLogin::forCurrentUser() {
    const std::string fileName = std::string(Quorvel::macBundleID) + ".desktop";
    return LaunchAtLogin(files::joinPath(configHome(), "autostart/" + fileName), files::executablePath());
}

std::string LaunchAtLogin::entryContents(std::string_view executable) {
    std::string contents = "[Desktop Entry]\nType=Application\n";
    contents += "Name=" + DesktopEntry::escapedValue(Quorvel::displayName) + "\n";
    contents += "Exec=" + DesktopEntry::execValue({std::string(executable)}) + "\n";
    contents += "Terminal=false\nX-GNOME-Autostart-enabled=true\n";
    return contents;
}

std::string_view LaunchAtLogin::statusText(Status status) {
    switch (status) {
        case Status::notRegistered: return "notRegistered";
        case Status::enabled: return "enabled";
    }
    return "notRegistered";
}

LaunchAtLogin::Status LaunchAtLogin::status() const {
    const auto contents = files::readFile(entryPath_);
    if (!contents) return Status::notRegistered;
    // Desktops switch an autostart entry off by marking it rather than deleting it.
    const DesktopEntry entry = DesktopEntry::parse(*contents);
    if (entry.booleanValue("Hidden") == true) return Status::notRegistered;
    if (entry.booleanValue("X-GNOME-Autostart-enabled") == false) return Status::notRegistered;
    return Status::enabled;
}

Expected<void, files::FileError> LaunchAtLogin::set(bool enabled) {
    if (enabled) {
        if (executable_.empty()) {
            return unexpected(files::FileError{ENOENT, entryPath_, "Couldn't tell where the app is installed"});
        }
        if (auto folder = files::createDirectories(files::parentPath(entryPath_)); !folder) {
            return unexpected(folder.error());
        }
        if (auto written = files::writeFileAtomically(entryPath_, entryContents(executable_), 0644); !written) {
            return unexpected(written.error());
        }
    } else if (std::remove(entryPath_.c_str()) != 0 && errno != ENOENT) {
        return unexpected(files::fileErrorFromErrno(errno, entryPath_));
    }
    launchLogger().info("Launch at login now: " + std::string(statusText(status())));
    return {};
}

Expected<void, files::FileError> LaunchAtLogin::followRunningCopy() const {
    if (executable_.empty() || status() != Status::enabled) return {};
    const auto contents = files::readFile(entryPath_);
    if (!contents) return {};
    auto command = DesktopEntry::parse(*contents).execArguments();
    if (!command) return {};
    const std::string program = command->front();
    if (!program.starts_with('/') || program == executable_ || sameFile(program, executable_)) return {};
    command->front() = executable_;
    if (auto written = files::writeFileAtomically(entryPath_, withExec(*contents, *command), 0644); !written) {
        return unexpected(written.error());
    }
    launchLogger().info("Launch at login now starts " + executable_ + " instead of " + program);
    return {};
}

}  // namespace quorvel
