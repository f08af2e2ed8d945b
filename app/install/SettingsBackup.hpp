#pragma once
// Dated copies of the agent's settings file, kept beside it and never deleted by the system,
// and putting one back in a way that never leaves the user without a settings file.
#include <string>
#include <string_view>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct SettingsBackup {
    /// `settingsName` + ".quorvel-backup-" + the local time as "yyyyMMdd-HHmmss-SSS".
    static std::string fileName(std::string_view settingsName, Instant at);

    /// The name of a temporary file beside `settingsName`: "." + name + ".quorvel-" + UUID.
    static std::string temporaryFileName(std::string_view settingsName);

    /// Puts `backup` back at `target`: copies it to a temporary file beside the target (with
    /// the backup's permissions) and renames that over the target, so the target is the old
    /// file or the backup at every moment, never missing or half-written.
    static Expected<void, files::FileError> restore(const std::string& backup, const std::string& target);
};

}  // namespace quorvel
