#pragma once
// Where the running program lives, for finding the resources installed beside it.
#include <string>

namespace quorvel::files {

/// The absolute path of the running executable (symbolic links resolved); empty when the
/// system can't tell.
std::string executablePath();

}  // namespace quorvel::files
