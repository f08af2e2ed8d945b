#pragma once
// Keeps the computer from going to sleep on its own while a hold is kept.
#include <memory>
#include <string_view>

#include "platform/Expected.hpp"
#include "platform/desktop/DesktopError.hpp"

namespace quorvel {

class SleepInhibitor {
public:
    /// The computer may idle-sleep again once the hold is destroyed.
    class Hold {
    public:
        virtual ~Hold() = default;
    };

    virtual ~SleepInhibitor() = default;

    /// Takes a hold for `reason` (shown by the system to whoever asks why it stays awake).
    virtual Expected<std::unique_ptr<Hold>, DesktopError> hold(std::string_view reason) = 0;
};

}  // namespace quorvel
