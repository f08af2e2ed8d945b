#include "platform/time/BootClock.hpp"

#include <time.h>

#include "platform/files/Files.hpp"

namespace quorvel {

std::optional<BootStamp> readBootStamp() {
    timespec now{};
    if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return std::nullopt;
    auto identity = files::readFile(std::string(bootIdentityFile));
    if (!identity) return std::nullopt;
    std::string bootID = std::move(*identity);
    while (!bootID.empty() && (bootID.back() == '\n' || bootID.back() == ' ')) bootID.pop_back();
    if (bootID.empty()) return std::nullopt;
    return BootStamp{double(now.tv_sec) + double(now.tv_nsec) / 1e9, std::move(bootID)};
}

}  // namespace quorvel
