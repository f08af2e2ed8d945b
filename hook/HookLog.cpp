#include "hook/HookLog.hpp"

#include <fcntl.h>
#include <unistd.h>

#include "hook/InternetDateTime.hpp"
#include "platform/files/Files.hpp"
#include "platform/logging/LogLineText.hpp"
#include "platform/logging/RotatingLogFile.hpp"

namespace quorvel {

void HookLog::writeLogLine(std::string_view message) const {
    // Private like every folder of ours: the log quotes what the agent reported.
    (void)files::createDirectories(files::parentPath(url), 0700);

    std::string line = internetDateTime(Instant::now()) + " pid " + std::to_string(::getpid()) + " ";
    // Payload text in a message must not start a line that reads as ours.
    line += escapedForLogLine(message);
    line += '\n';

    // Not through a link, and never waiting on a FIFO put where the log should be: the event
    // still has to be spooled after this line.
    files::appendToRotatingLog(url, line, maxBytes, O_NOFOLLOW | O_NONBLOCK);
}

}  // namespace quorvel
