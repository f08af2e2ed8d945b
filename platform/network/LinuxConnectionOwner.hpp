#pragma once
// The owner of a loopback connection's far end as the Linux kernel reports it: first its
// socket diagnostics (NETLINK_SOCK_DIAG, an exact look-up by the connection's addresses), then,
// where those are missing (a kernel without tcp_diag, a sandbox without netlink), the tables
// /proc/net/tcp and /proc/net/tcp6. Both list every TCP socket of the network namespace with
// its owner and are readable by anyone. Stateless; any thread.
#include "platform/network/ConnectionOwner.hpp"

namespace quorvel {

class LinuxConnectionOwner final : public ConnectionOwner {
public:
    /// Which of the kernel's reports are asked. Both by default; one alone for tests.
    struct Sources {
        bool socketDiagnostics = true;
        bool procTables = true;
    };

    LinuxConnectionOwner() = default;
    explicit LinuxConnectionOwner(Sources sources) : sources_(sources) {}

    Expected<uid_t, ConnectionOwnerError> farEndOwner(int socket, std::chrono::milliseconds settle) const override;

private:
    Sources sources_;
};

}  // namespace quorvel
