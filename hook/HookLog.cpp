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
    (void)files::createDirectories(files::parentPath(url), 0755);

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
    int fd = ::open(url.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    (void)files::writeAll(fd, line);
    ::close(fd);
}

}  // namespace quorvel
