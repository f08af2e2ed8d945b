#include "kit/engine/QuorvelPaths.hpp"

#include "kit/engine/Quorvel.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

QuorvelPaths QuorvelPaths::forCurrentUser() { return QuorvelPaths(files::homeDirectory()); }

std::string QuorvelPaths::appSupport() const { return files::joinPath(home, "Library/Application Support/Quorvel"); }
std::string QuorvelPaths::endpoint() const { return files::joinPath(appSupport(), "endpoint.json"); }
std::string QuorvelPaths::spool() const { return files::joinPath(appSupport(), "spool"); }
std::string QuorvelPaths::instanceLock() const {
    return files::joinPath(appSupport(), std::string(Quorvel::macBundleID) + ".lock");
}
std::string QuorvelPaths::logs() const { return files::joinPath(home, "Library/Logs/Quorvel"); }
std::string QuorvelPaths::hookLog() const { return files::joinPath(logs(), "hook.log"); }
std::string QuorvelPaths::captures() const { return files::joinPath(logs(), "captures"); }
std::string QuorvelPaths::helper() const { return files::joinPath(home, "Library/Quorvel/bin/quorvel-hook"); }
std::string QuorvelPaths::claudeSettings() const { return files::joinPath(home, ".claude/settings.json"); }

}  // namespace quorvel
