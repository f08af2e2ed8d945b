#include "app/install/HookInstaller.hpp"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

#include "app/install/SettingsBackup.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/files/FileOperations.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

namespace {

constexpr mode_t privateFileMode = 0600;
constexpr mode_t privateFolderMode = 0700;

HookInstaller::Failure installFailure(std::string text) {
    return HookInstaller::Failure{HookInstaller::InstallError{std::move(text)}};
}

/// The system's text for an error number, without a path.
std::string systemDescription(int code) { return files::fileErrorFromErrno(code, "").message; }

/// The file's bytes, or absent when it is missing or can't be read.
std::optional<std::string> currentBytes(const std::string& location) {
    auto bytes = files::readFile(location);
    if (!bytes) return std::nullopt;
    return std::move(*bytes);
}

}  // namespace

std::string HookInstaller::Failure::message() const {
    if (const auto* own = std::get_if<InstallError>(&error)) return own->errorDescription;
    return std::get<HookSettingsEditor::EditError>(error).message();
}

HookInstaller::HookInstaller(QuorvelPaths paths, std::shared_ptr<const Clock> clock)
    : paths(std::move(paths)), logger(Quorvel::macBundleID, "HookInstaller"), clock_(std::move(clock)) {}

Expected<HookInstaller::ReadResult, HookInstaller::InstallError> HookInstaller::read() const {
    // A linked settings file is edited at its target, and the link itself stays.
    ReadResult result{files::resolvingSymlinks(paths.claudeSettings()), Settings{JSONValue::object(), std::nullopt}};
    auto bytes = files::readFile(result.location);
    if (!bytes) {
        if (files::isNoSuchFile(bytes.error().code)) return result;
        return unexpected(InstallError{"Couldn't read " + result.location + ": " + systemDescription(bytes.error().code)});
    }
    auto tree = JSONValue::parse(*bytes);
    if (!tree) {
        return unexpected(InstallError{"Claude Code's settings file isn't valid JSON, so Quorvel won't change it. " +
                                       tree.error().description()});
    }
    result.settings = Settings{std::move(*tree), std::move(*bytes)};
    return result;
}

Expected<HookInstaller::Settings, HookInstaller::InstallError> HookInstaller::readSettings() const {
    auto result = read();
    if (!result) return unexpected(result.error());
    return std::move(result->settings);
}

Expected<void, HookInstaller::Failure> HookInstaller::installHooks(bool recording) const {
    const std::string helperPath = paths.helper();
    const std::vector<std::string> arguments = recording ? std::vector<std::string>{"--capture"} : std::vector<std::string>{};
    auto result = editSettingsFile([&](const JSONValue& tree) {
        return HookSettingsEditor::install(tree, helperPath, arguments);
    });
    if (result) logger.info(std::string("Installed hooks (recording: ") + (recording ? "true" : "false") + ")");
    return result;
}

Expected<void, HookInstaller::Failure> HookInstaller::removeHooks() const {
    auto result = editSettingsFile([](const JSONValue& tree) { return HookSettingsEditor::uninstall(tree); });
    if (result) logger.info("Removed hooks");
    return result;
}

Expected<void, HookInstaller::Failure> HookInstaller::editSettingsFile(const Transform& transform) const {
    auto read = this->read();
    if (!read) return unexpected(Failure{read.error()});
    const std::string& location = read->location;
    const std::optional<std::string>& oldBytes = read->settings.bytes;
    const bool existed = oldBytes.has_value();

    auto transformed = transform(read->settings.tree);
    if (!transformed) return unexpected(Failure{transformed.error()});

    // A file without a final line break stays without one; a new file gets one.
    std::string newBytes = transformed->formatted("  ");
    if (!existed || (!oldBytes->empty() && oldBytes->back() == '\n')) newBytes += '\n';
    if (existed && newBytes == *oldBytes) return {};

    const mode_t mode = existed ? files::permissions(location).value_or(privateFileMode) : privateFileMode;
    const std::string folder = files::parentPath(location);
    const std::string name = files::fileName(location);

    std::optional<std::string> backup;
    if (existed) {
        backup = files::joinPath(folder, SettingsBackup::fileName(name, clock_->now()));
        // The backup keeps the file's permissions: a private file stays private in its copy.
        if (auto copied = files::copyFile(location, *backup, mode); !copied) {
            return unexpected(installFailure("Couldn't back up settings.json, so nothing was changed. " +
                                             systemDescription(copied.error().code)));
        }
        logger.info("Backed up settings to " + *backup);
    }

    // Someone who has never run the agent has no folder for its settings yet. It is made
    // private, as the agent makes it; a folder that is there is left exactly as it is.
    if (!existed) {
        if (::mkdir(folder.c_str(), privateFolderMode) == 0) {
            // mkdir applied the umask, which only ever removes bits.
            (void)::chmod(folder.c_str(), privateFolderMode);
            logger.info("Created " + folder);
        } else if (const int code = errno; code != EEXIST) {
            return unexpected(installFailure("Couldn't create the folder " + folder + " (" + systemDescription(code) +
                                             "), so nothing was changed."));
        }
    }

    std::string temporary;
    bool created = false;
    try {
        temporary = files::joinPath(folder, SettingsBackup::temporaryFileName(name));
        created = files::createFile(temporary, newBytes, mode).hasValue();
    } catch (const std::exception&) {
        created = false;  // no random identifier for the name
    }
    if (!created) {
        return unexpected(installFailure("Couldn't write a temporary file next to settings.json, so nothing was changed."));
    }

    // Someone (the agent, the user) may have written the file while we worked.
    if (currentBytes(location) != oldBytes) {
        ::unlink(temporary.c_str());
        return unexpected(installFailure(
            "settings.json changed while Quorvel was editing it, so nothing was changed. Try again."));
    }

    if (::rename(temporary.c_str(), location.c_str()) != 0) {
        const std::string reason = systemDescription(errno);
        ::unlink(temporary.c_str());
        return unexpected(installFailure("Couldn't replace settings.json (" + reason + "), so nothing was changed."));
    }

    const auto writtenBytes = currentBytes(location);
    bool checksOut = writtenBytes == newBytes;
    if (checksOut) {
        const auto reparsed = JSONValue::parse(*writtenBytes);
        checksOut = reparsed && *reparsed == *transformed;
    }
    if (!checksOut) {
        logger.error("Validation failed after writing settings; restoring backup");
        if (backup) (void)SettingsBackup::restore(*backup, location);
        return unexpected(installFailure("The settings file didn't check out after writing, so Quorvel put the backup back."));
    }
    return {};
}

HookInstaller::Status HookInstaller::status() const {
    const auto settings = readSettings();
    if (!settings) return Status::problem(settings.error().errorDescription);
    if (!HookSettingsEditor::isInstalled(settings->tree)) return Status::notInstalled();
    bool recording = false;
    for (const auto& argument : HookSettingsEditor::installedArguments(settings->tree)) {
        if (argument == "--capture") recording = true;
    }
    return Status::installed(recording);
}

}  // namespace quorvel
