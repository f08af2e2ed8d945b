#pragma once
// The machine's boot clock: seconds since the system started, counting the time it was
// suspended, and never stepped by a change of the wall clock (by hand or by NTP). Two readings
// compare only when they carry the same boot identity, which the kernel makes afresh at every
// start. Any thread.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

struct BootStamp {
    /// Seconds on the boot clock (CLOCK_BOOTTIME), with fraction.
    double seconds = 0;
    /// The kernel's identity of this boot, a lower-case UUID.
    std::string bootID;

    bool operator==(const BootStamp&) const = default;
};

/// Where the kernel tells the identity of the running boot.
inline constexpr std::string_view bootIdentityFile = "/proc/sys/kernel/random/boot_id";

/// The boot clock now with the running boot's identity; absent when either can't be had (no
/// /proc, a kernel without the clock).
std::optional<BootStamp> readBootStamp();

}  // namespace quorvel
