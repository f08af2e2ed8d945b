#pragma once
// Log lines with a subsystem and a category, written to the system journal. Dynamic values
// are logged in full, with their control characters escaped (`escapedForLogLine`), so each
// message is one line. For tests the lines can be read back: QUORVEL_LOG_FILE=<path> appends
// each line to that file, QUORVEL_LOG_STDERR=1 copies it to standard error, in the form
//   <level> <subsystem> [<category>] <message>
// The file stays bounded: above `logFileMaxBytes` it is moved to <path>.1 (replacing the
// older copy) before the next line.
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

/// The size above which the QUORVEL_LOG_FILE file is rotated.
inline constexpr std::int64_t logFileMaxBytes = 4 * 1024 * 1024;

enum class LogLevel { debug, info, notice, error, fault };

class Logger {
public:
    Logger(std::string subsystem, std::string category);

    void debug(std::string_view message) const { log(LogLevel::debug, message); }
    void info(std::string_view message) const { log(LogLevel::info, message); }
    void notice(std::string_view message) const { log(LogLevel::notice, message); }
    void error(std::string_view message) const { log(LogLevel::error, message); }
    void fault(std::string_view message) const { log(LogLevel::fault, message); }

    void log(LogLevel level, std::string_view message) const;

    const std::string& subsystem() const { return subsystem_; }
    const std::string& category() const { return category_; }

private:
    std::string subsystem_;
    std::string category_;
};

/// "debug", "info", "notice", "error", "fault".
std::string_view logLevelName(LogLevel level);

}  // namespace quorvel
