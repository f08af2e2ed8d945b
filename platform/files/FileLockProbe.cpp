#include "platform/files/FileLockProbe.hpp"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace quorvel::files {

bool flockIsHeld(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        // "1: FLOCK  ADVISORY  WRITE 1234 08:01:131090 0 EOF"; a waiter's line has "->"
        // after the number and holds nothing.
        std::istringstream fields(line);
        std::string number, kind, mode, access, pid, where;
        if (!(fields >> number >> kind >> mode >> access >> pid >> where) || kind != "FLOCK") continue;
        unsigned deviceMajor = 0, deviceMinor = 0;
        unsigned long long inode = 0;
        char end = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%llu%c", &deviceMajor, &deviceMinor, &inode, &end) != 3) continue;
        if (deviceMajor == major(info.st_dev) && deviceMinor == minor(info.st_dev) && inode == info.st_ino) return true;
    }
    return false;
}

}  // namespace quorvel::files
