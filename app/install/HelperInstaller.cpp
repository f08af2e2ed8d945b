#include "app/install/HelperInstaller.hpp"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

#include "kit/engine/Quorvel.hpp"
#include "kit/hooks/HookSettingsEditor.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/files/FileOperations.hpp"
#include "platform/files/ResourceFolder.hpp"
#include "platform/processes/ExecutablePath.hpp"

namespace quorvel {

namespace {

constexpr mode_t executableMode = 0755;
constexpr mode_t folderMode = 0755;

const Logger& helperLogger() {
    static const Logger logger(Quorvel::macBundleID, "HelperInstaller");
    return logger;
}

bool isRegularFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

HelperInstaller::Failure fileFailure(files::FileError error) { return HelperInstaller::Failure{std::move(error)}; }

}  // namespace

std::string HelperInstaller::Failure::message() const {
    if (const auto* own = std::get_if<HookInstaller::InstallError>(&error)) return own->errorDescription;
    return std::get<files::FileError>(error).message;
}

std::optional<std::string> HelperInstaller::bundledHelper() {
    const std::string name(HookSettingsEditor::helperName);
    if (const std::string executable = files::executablePath(); !executable.empty()) {
        const std::string beside = files::joinPath(files::parentPath(executable), name);
        if (isRegularFile(beside)) return beside;
    }
    if (const auto resources = files::resourceFolder()) {
        const std::string resource = files::joinPath(*resources, name);
        if (isRegularFile(resource)) return resource;
    }
    return std::nullopt;
}

HelperInstaller::HelperInstaller(std::optional<std::string> source, PermissionSetter setPermissions)
    : source_(std::move(source)), setPermissions_(std::move(setPermissions)) {}

Expected<void, HelperInstaller::Failure> HelperInstaller::installHelper(const std::string& destination) const {
    if (!source_ || !isRegularFile(*source_)) {
        return unexpected(Failure{HookInstaller::InstallError{"The app bundle is missing quorvel-hook. Rebuild the app."}});
    }
    if (files::haveSameContents(*source_, destination)) return {};

    const std::string folder = files::parentPath(destination);
    if (auto created = files::createDirectories(folder, folderMode); !created) {
        return unexpected(fileFailure(created.error()));
    }

    std::string temporary;
    try {
        temporary = files::joinPath(folder, "." + files::fileName(destination) + "." + random::makeUuidString());
    } catch (const std::exception&) {
        return unexpected(fileFailure(files::fileErrorFromErrno(EIO, destination)));
    }
    if (auto copied = files::copyFile(*source_, temporary); !copied) return unexpected(fileFailure(copied.error()));
    if (auto made = setPermissions_(temporary, executableMode); !made) {
        ::unlink(temporary.c_str());  // never leave a stray copy beside the helper
        return unexpected(fileFailure(made.error()));
    }
    if (::rename(temporary.c_str(), destination.c_str()) != 0) {
        const std::string reason = files::fileErrorFromErrno(errno, "").message;
        ::unlink(temporary.c_str());
        return unexpected(Failure{HookInstaller::InstallError{"Couldn't install the hook helper (" + reason + ")."}});
    }
    helperLogger().info("Installed helper at " + destination);
    return {};
}

}  // namespace quorvel
