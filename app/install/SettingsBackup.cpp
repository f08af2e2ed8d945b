#include "app/install/SettingsBackup.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <exception>
#include <unistd.h>

#include "platform/SecureRandom.hpp"
#include "platform/files/FileOperations.hpp"

namespace quorvel {

std::string SettingsBackup::fileName(std::string_view settingsName, Instant at) {
    double seconds = at.unixSeconds();
    if (!std::isfinite(seconds) || seconds < 0 || seconds > 253402300799.0) seconds = 0;  // up to 9999-12-31
    // Whole milliseconds, with a microsecond of slack so that 0.251 stored as 0.25099999...
    // still reads as 251.
    const auto totalMilliseconds = static_cast<long long>(std::floor(seconds * 1000.0 + 1e-3));
    const int milliseconds = static_cast<int>(totalMilliseconds % 1000);
    const auto time = static_cast<std::time_t>(totalMilliseconds / 1000);
    std::tm local{};
    localtime_r(&time, &local);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d-%03d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, milliseconds);
    return std::string(settingsName) + ".quorvel-backup-" + stamp;
}

std::string SettingsBackup::temporaryFileName(std::string_view settingsName) {
    return "." + std::string(settingsName) + ".quorvel-" + random::makeUuidString();
}

Expected<void, files::FileError> SettingsBackup::restore(const std::string& backup, const std::string& target) {
    std::string temporary;
    try {
        temporary = files::joinPath(files::parentPath(target), temporaryFileName(files::fileName(target)));
    } catch (const std::exception&) {
        return unexpected(files::fileErrorFromErrno(EIO, target));
    }
    if (auto copied = files::copyFile(backup, temporary); !copied) return copied;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        return unexpected(files::fileErrorFromErrno(code, target));
    }
    return {};
}

}  // namespace quorvel
