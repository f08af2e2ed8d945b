#include "hook/HookLog.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "hook/InternetDateTime.hpp"
#include "platform/FileDescriptors.hpp"
#include "platform/Files.hpp"

namespace quorvel {

void HookLog::writeLogLine(std::string_view message) const {
    // Private like every folder of ours: the log quotes what the agent reported.
    (void)files::createDirectories(files::parentPath(url), 0700);

    struct stat attributes {};
    if (::stat(url.c_str(), &attributes) == 0 && attributes.st_size > maxBytes) {
        std::string rotated = url + ".1";
        ::unlink(rotated.c_str());
        ::rename(url.c_str(), rotated.c_str());
    }

    std::string line = internetDateTime(Instant::now()) + " pid " + std::to_string(::getpid()) + " ";
    line += message;
    line += '\n';

    // One append per line, so lines of helpers running side by side don't overwrite each other.
    // Not through a link, and never waiting on a FIFO put where the log should be: the event
    // still has to be spooled after this line.
    int fd = ::open(url.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) return;
    (void)files::writeAll(fd, line);
    ::close(fd);
}

}  // namespace quorvel
