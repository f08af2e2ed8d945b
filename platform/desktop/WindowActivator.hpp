#pragma once
// Brings another application's window to the front.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Expected.hpp"
#include "platform/desktop/DesktopError.hpp"

namespace quorvel {

class WindowActivator {
public:
    virtual ~WindowActivator() = default;

    /// Activates the first top-level window whose class (either part of the window's class
    /// hint, compared without regard to case) is one of `classes` and whose title contains
    /// `titleContains` (any title when it is empty). True when such a window was found and
    /// asked to come forward, false when there is none; an error when the desktop's windows
    /// can't be looked at or raised.
    virtual Expected<bool, DesktopError> activate(const std::vector<std::string>& classes,
                                                  std::string_view titleContains) = 0;
};

}  // namespace quorvel
