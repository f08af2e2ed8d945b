#pragma once
// The app's only writer of the agent's settings file. The file is the user's and the agent's
// property, so every edit goes through one careful pipeline: parse strictly and refuse what
// can't be understood, write nothing when nothing changes, keep a dated backup, write a
// temporary file beside it with the same permissions, make sure nobody changed the file in the
// meantime, replace it with one rename, read it back, and put the backup back if the check
// fails. A missing file is created 0600, and its folder, when that is missing too, 0700; an
// existing folder or file is never replaced or re-moded. Holds no state between calls.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "kit/engine/QuorvelPaths.hpp"
#include "kit/hooks/HookSettingsEditor.hpp"
#include "kit/hooks/JSONValue.hpp"
#include "platform/Expected.hpp"
#include "platform/logging/Logger.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class HookInstaller {
public:
    /// A failure of the installer's own, with its user-facing text.
    struct InstallError {
        std::string errorDescription;
        bool operator==(const InstallError&) const = default;
    };

    /// What an edit fails with: the installer's own error, or the editor's refusal of the
    /// file's shape, passed through as it is.
    struct Failure {
        std::variant<InstallError, HookSettingsEditor::EditError> error;

        /// The text to show the user.
        std::string message() const;
        bool operator==(const Failure&) const = default;
    };

    /// The state of the hooks as the app shows it.
    struct Status {
        enum class Kind { installed, problem, notInstalled };
        Kind kind = Kind::notInstalled;
        bool recording = false;  ///< installed only: entries pass "--capture"
        std::string message;     ///< problem only

        static Status installed(bool recording) { return {Kind::installed, recording, {}}; }
        static Status problem(std::string message) { return {Kind::problem, false, std::move(message)}; }
        static Status notInstalled() { return {}; }

        bool operator==(const Status&) const = default;
    };

    /// The settings as read: the tree (empty object when there is no file) and the file's
    /// bytes (absent when there is no file).
    struct Settings {
        JSONValue tree;
        std::optional<std::string> bytes;
    };

    using Transform = std::function<Expected<JSONValue, HookSettingsEditor::EditError>(const JSONValue&)>;

    /// `clock` dates the backups.
    explicit HookInstaller(QuorvelPaths paths, std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>());

    Expected<Settings, InstallError> readSettings() const;

    /// Turns the hooks on, passing "--capture" to the helper when `recording`.
    Expected<void, Failure> installHooks(bool recording) const;
    /// Turns the hooks off, leaving every other entry as it was.
    Expected<void, Failure> removeHooks() const;
    /// The edit pipeline around one transform of the tree.
    Expected<void, Failure> editSettingsFile(const Transform& transform) const;

    /// Installed (and in which mode), not installed, or the reason the file can't be read.
    Status status() const;

    QuorvelPaths paths;
    Logger logger;

private:
    struct ReadResult {
        std::string location;  ///< symbolic links resolved
        Settings settings;
    };
    Expected<ReadResult, InstallError> read() const;

    std::shared_ptr<const Clock> clock_;
};

}  // namespace quorvel
