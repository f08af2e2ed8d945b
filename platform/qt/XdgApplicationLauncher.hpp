#pragma once
// Starts an application from its installed desktop entry: the "Exec" command line, in the
// entry's "Path" folder when it names one, detached from this process.
#include "platform/desktop/ApplicationLauncher.hpp"

namespace quorvel {

class XdgApplicationLauncher final : public ApplicationLauncher {
public:
    bool open(std::string_view desktopEntryID) override;
};

}  // namespace quorvel
