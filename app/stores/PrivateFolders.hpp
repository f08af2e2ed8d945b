#pragma once
// The product's folders hold the endpoint's token, the spool and the logs, so they are the
// user's alone (0700). Something (a restored backup, a careless chmod) may have opened one
// up; at start the app closes them again. Main thread.
#include <string>
#include <vector>

#include "kit/engine/QuorvelPaths.hpp"

namespace quorvel {

/// The product's private folders: application support, spool, logs, captures.
std::vector<std::string> privateFolders(const QuorvelPaths& paths);

/// The private folders that are symbolic links: nothing is written through them, since
/// whoever placed the link chooses where that would land.
std::vector<std::string> linkedPrivateFolders(const QuorvelPaths& paths);

/// Sets each private folder that exists, is a real folder (not a link: its target is not
/// ours to change) and belongs to this user back to 0700 when its mode differs, logging each
/// change. Returns the folders it changed.
std::vector<std::string> restorePrivateFolderModes(const QuorvelPaths& paths);

}  // namespace quorvel
