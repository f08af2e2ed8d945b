#pragma once
// Puts the hook helper where the agent's settings file says it is: a stable place outside the
// build, replaced in one rename so that a hook starting at that moment runs either the old or
// the new program, never a half-written file.
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <variant>

#include "app/install/HookInstaller.hpp"
#include "platform/Expected.hpp"
#include "platform/files/FileOperations.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

class HelperInstaller {
public:
    /// The installer's own error, or the file system's, passed on unchanged.
    struct Failure {
        std::variant<HookInstaller::InstallError, files::FileError> error;

        /// The text to show the user.
        std::string message() const;
    };

    /// The helper built with the app: `quorvel-hook` beside the running executable, else in
    /// the program's resource folder; absent when neither exists.
    static std::optional<std::string> bundledHelper();

    using PermissionSetter = std::function<Expected<void, files::FileError>(const std::string& path, mode_t mode)>;

    /// Installs from `source` (absent: there is no helper to install); `setPermissions` makes
    /// the copy executable.
    explicit HelperInstaller(std::optional<std::string> source = bundledHelper(),
                             PermissionSetter setPermissions = files::setPermissions);

    /// Copies the helper to `destination` (the app passes `QuorvelPaths::helper()`) unless an
    /// identical copy is already there.
    Expected<void, Failure> installHelper(const std::string& destination) const;

    const std::optional<std::string>& source() const { return source_; }

private:
    std::optional<std::string> source_;
    PermissionSetter setPermissions_;
};

}  // namespace quorvel
