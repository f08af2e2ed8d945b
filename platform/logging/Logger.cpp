#include "platform/logging/Logger.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/uio.h>
#include <syslog.h>
#include <unistd.h>

#include <systemd/sd-journal.h>

#include "platform/files/FileDescriptors.hpp"
#include "platform/logging/LogLineText.hpp"
#include "platform/logging/RotatingLogFile.hpp"

namespace quorvel {
namespace {

int journalPriority(LogLevel level) {
    switch (level) {
        case LogLevel::debug: return LOG_DEBUG;
        case LogLevel::info: return LOG_INFO;
        case LogLevel::notice: return LOG_NOTICE;
        case LogLevel::error: return LOG_ERR;
        case LogLevel::fault: return LOG_CRIT;
    }
    return LOG_NOTICE;
}

iovec field(const std::string& text) {
    return iovec{const_cast<char*>(text.data()), text.size()};
}

}  // namespace

std::string_view logLevelName(LogLevel level) {
    switch (level) {
        case LogLevel::debug: return "debug";
        case LogLevel::info: return "info";
        case LogLevel::notice: return "notice";
        case LogLevel::error: return "error";
        case LogLevel::fault: return "fault";
    }
    return "notice";
}

Logger::Logger(std::string subsystem, std::string category)
    : subsystem_(std::move(subsystem)), category_(std::move(category)) {}

void Logger::log(LogLevel level, std::string_view rawMessage) const {
    // Escaped here rather than by each caller, so that no line can forget: the journal would
    // take a line break as it is, and its readers show a record of several lines.
    const std::string message = escapedForLogLine(rawMessage);
    const std::string messageField = "MESSAGE=" + message;
    const std::string priorityField = "PRIORITY=" + std::to_string(journalPriority(level));
    const std::string identifierField = "SYSLOG_IDENTIFIER=" + (category_.empty() ? subsystem_ : category_);
    const std::string subsystemField = "QUORVEL_SUBSYSTEM=" + subsystem_;
    const std::string categoryField = "QUORVEL_CATEGORY=" + category_;
    const iovec fields[] = {field(messageField), field(priorityField), field(identifierField),
                            field(subsystemField), field(categoryField)};
    sd_journal_sendv(fields, static_cast<int>(std::size(fields)));

    // The read-back sinks are looked up on every line so a test can switch them on at any time.
    const char* logFile = std::getenv("QUORVEL_LOG_FILE");
    const char* toStandardError = std::getenv("QUORVEL_LOG_STDERR");
    const bool fileSink = logFile != nullptr && *logFile != '\0';
    const bool errorSink = toStandardError != nullptr && std::string_view(toStandardError) == "1";
    if (!fileSink && !errorSink) return;

    std::string line;
    line.reserve(message.size() + subsystem_.size() + category_.size() + 16);
    line.append(logLevelName(level)).append(" ").append(subsystem_).append(" [").append(category_).append("] ");
    line.append(message).append("\n");
    // One write of the whole line: with O_APPEND the kernel places it at the end in one piece,
    // so lines of concurrent processes never interleave.
    if (fileSink) files::appendToRotatingLog(logFile, line, logFileMaxBytes);
    if (errorSink) (void)files::writeAll(STDERR_FILENO, line);
}

}  // namespace quorvel
