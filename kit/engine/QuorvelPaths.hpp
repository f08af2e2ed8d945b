#pragma once
// Every file and folder location of the product, relative to the user's home. Building a
// location never touches the disk; whoever writes there creates what it needs.
#include <string>

namespace quorvel {

struct QuorvelPaths {
    /// The user's home folder.
    std::string home;

    explicit QuorvelPaths(std::string home) : home(std::move(home)) {}

    /// Paths under the current user's home: $HOME, else the password database's entry.
    static QuorvelPaths forCurrentUser();

    /// home/Library/Application Support/Quorvel
    std::string appSupport() const;
    /// appSupport/endpoint.json
    std::string endpoint() const;
    /// appSupport/spool
    std::string spool() const;
    /// appSupport/com.tessaloom.quorvel.mac.lock: the file whose flock the running app holds,
    /// which the helper reads to tell whether the app runs where it can't reach it.
    std::string instanceLock() const;
    /// home/Library/Logs/Quorvel
    std::string logs() const;
    /// logs/hook.log
    std::string hookLog() const;
    /// logs/captures
    std::string captures() const;
    /// home/Library/Quorvel/bin/quorvel-hook
    std::string helper() const;
    /// home/.claude/settings.json
    std::string claudeSettings() const;

    bool operator==(const QuorvelPaths&) const = default;
};

}  // namespace quorvel
