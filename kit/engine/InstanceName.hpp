#pragma once
// Names in the abstract Unix socket namespace (Linux) that belong to one user and one home:
// the single-instance lock (which the helper looks for too) and the channel later launches
// use. Such a name needs no folder and goes away with the socket that holds it, so neither a
// damaged home nor a crash can keep the app from finding out whether it already runs.
#include <string>
#include <string_view>

#include "kit/engine/QuorvelPaths.hpp"

namespace quorvel {

/// "\0com.tessaloom.quorvel.mac.<uid>.<hash of the home's real path>.<purpose>": the leading
/// NUL marks the abstract namespace. The home's real path is taken when it can be resolved, so
/// a home reached through a link is the same home; the hash keeps the name short whatever the
/// home's length.
std::string instanceSocketName(const QuorvelPaths& paths, std::string_view purpose);

}  // namespace quorvel
