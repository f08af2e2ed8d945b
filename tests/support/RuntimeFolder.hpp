#pragma once
// A runtime folder (XDG_RUNTIME_DIR) as the session makes one, private to the user, for an
// app started on its own, so nothing of the user's own session is touched.
#include <sys/stat.h>

#include "tests/support/TemporaryFolder.hpp"

namespace quorvel::testing {

class RuntimeFolder : public TemporaryFolder {
public:
    RuntimeFolder() { ::chmod(path().c_str(), 0700); }
};

}  // namespace quorvel::testing
