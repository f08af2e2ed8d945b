#include "platform/network/LinuxConnectionOwner.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <thread>

#include "platform/files/OwnedDescriptor.hpp"

namespace quorvel {
namespace {

using SteadyClock = std::chrono::steady_clock;

/// The two ends of a connection, as seen from our side.
struct Ends {
    sockaddr_in local{};
    sockaddr_in peer{};
};

/// What one report said of the far end's socket.
struct Sighting {
    int state = 0;
    uid_t uid = 0;
};

/// Whether a socket in `state` is one its owner has set up. Sockets still in a handshake
/// (request sockets, reported as SYN_RECV), in TIME_WAIT or listening are reported with uid 0
/// or the listener's, whoever will hold the connection: never taken as its owner.
bool settled(int state) {
    switch (state) {
        case TCP_ESTABLISHED:
        case TCP_FIN_WAIT1:
        case TCP_FIN_WAIT2:
        case TCP_CLOSE_WAIT:
        case TCP_LAST_ACK:
        case TCP_CLOSING:
            return true;
        default:
            return false;
    }
}

std::string addressText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

/// The far end's socket by an exact look-up in the kernel's socket diagnostics: the socket
/// whose own address is our peer's and whose peer is us. Absent, with `why` set, when the
/// kernel doesn't answer or knows no such socket.
std::optional<Sighting> askSocketDiagnostics(const Ends& ends, std::string& why) {
    OwnedDescriptor netlink(::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG));
    if (netlink.fd() < 0) {
        why = std::string("no socket diagnostics: ") + std::strerror(errno);
        return std::nullopt;
    }
    struct {
        nlmsghdr header;
        inet_diag_req_v2 request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST;
    message.request.sdiag_family = AF_INET;
    message.request.sdiag_protocol = IPPROTO_TCP;
    message.request.idiag_states = ~0u;
    message.request.id.idiag_sport = ends.peer.sin_port;
    message.request.id.idiag_dport = ends.local.sin_port;
    message.request.id.idiag_src[0] = ends.peer.sin_addr.s_addr;
    message.request.id.idiag_dst[0] = ends.local.sin_addr.s_addr;
    message.request.id.idiag_cookie[0] = INET_DIAG_NOCOOKIE;
    message.request.id.idiag_cookie[1] = INET_DIAG_NOCOOKIE;
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    if (::sendto(netlink.fd(), &message, sizeof message, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) !=
        static_cast<ssize_t>(sizeof message)) {
        why = std::string("socket diagnostics refused the question: ") + std::strerror(errno);
        return std::nullopt;
    }
    // The kernel answers an exact look-up while it takes the question, so the answer is there.
    alignas(nlmsghdr) char answer[8192];
    ssize_t length;
    do {
        length = ::recv(netlink.fd(), answer, sizeof answer, MSG_DONTWAIT);
    } while (length < 0 && errno == EINTR);
    if (length < 0) {
        why = std::string("socket diagnostics didn't answer: ") + std::strerror(errno);
        return std::nullopt;
    }
    auto remaining = static_cast<unsigned int>(length);
    for (auto* header = reinterpret_cast<nlmsghdr*>(answer); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == NLMSG_ERROR && header->nlmsg_len >= NLMSG_LENGTH(sizeof(nlmsgerr))) {
            const auto* error = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
            // ENOENT is also what a kernel without TCP diagnostics says.
            why = "socket diagnostics know no socket at " + addressText(ends.peer) + ": " + std::strerror(-error->error);
            return std::nullopt;
        }
        if (header->nlmsg_type == SOCK_DIAG_BY_FAMILY && header->nlmsg_len >= NLMSG_LENGTH(sizeof(inet_diag_msg))) {
            const auto* found = static_cast<const inet_diag_msg*>(NLMSG_DATA(header));
            return Sighting{found->idiag_state, static_cast<uid_t>(found->idiag_uid)};
        }
    }
    why = "socket diagnostics gave no answer about " + addressText(ends.peer);
    return std::nullopt;
}

/// Reads a whole /proc table; false when it can't be opened.
bool readTable(const char* path, std::string& text) {
    OwnedDescriptor file(::open(path, O_RDONLY | O_CLOEXEC));
    if (file.fd() < 0) return false;
    text.clear();
    char chunk[16384];
    for (;;) {
        const ssize_t got = ::read(file.fd(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got == 0;
        text.append(chunk, static_cast<std::size_t>(got));
    }
}

/// The far end's socket in /proc/net/tcp (or, for an IPv6 socket taking IPv4, /proc/net/tcp6):
/// the row whose local address is our peer and whose remote address is us. The kernel writes
/// each address as the hexadecimal of its 32-bit words as they lie in memory, and the port in
/// hexadecimal.
std::optional<Sighting> readProcTables(const Ends& ends, std::string& why) {
    char farSide[16];
    char nearSide[16];
    std::snprintf(farSide, sizeof farSide, "%08X:%04X", ends.peer.sin_addr.s_addr, ntohs(ends.peer.sin_port));
    std::snprintf(nearSide, sizeof nearSide, "%08X:%04X", ends.local.sin_addr.s_addr, ntohs(ends.local.sin_port));
    struct Table {
        const char* path;
        std::string_view mapped;  ///< what comes before an IPv4 address in the table
    };
    bool readAny = false;
    std::string text;
    for (const Table& table : {Table{"/proc/net/tcp", ""}, Table{"/proc/net/tcp6", "0000000000000000FFFF0000"}}) {
        if (!readTable(table.path, text)) continue;
        readAny = true;
        const std::string local = std::string(table.mapped) + farSide;
        const std::string remote = std::string(table.mapped) + nearSide;
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            start = end + 1;
            // "sl: local remote st tx:rx tr:when retransmits uid ..."
            char localText[64];
            char remoteText[64];
            unsigned int state = 0;
            unsigned int uid = 0;
            if (std::sscanf(line.c_str(), " %*d: %63s %63s %x %*x:%*x %*x:%*x %*x %u", localText, remoteText, &state,
                            &uid) != 4) {
                continue;
            }
            if (local == localText && remote == remoteText) return Sighting{static_cast<int>(state), uid};
        }
    }
    why = readAny ? "/proc/net/tcp lists no socket at " + addressText(ends.peer)
                  : std::string("no /proc/net/tcp: ") + std::strerror(errno);
    return std::nullopt;
}

}  // namespace

Expected<uid_t, ConnectionOwnerError> LinuxConnectionOwner::farEndOwner(int socket,
                                                                        std::chrono::milliseconds settle) const {
    Ends ends;
    socklen_t length = sizeof ends.local;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&ends.local), &length) != 0 ||
        ends.local.sin_family != AF_INET) {
        return unexpected(ConnectionOwnerError{"not a connected IPv4 socket"});
    }
    length = sizeof ends.peer;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&ends.peer), &length) != 0 ||
        ends.peer.sin_family != AF_INET) {
        return unexpected(ConnectionOwnerError{std::string("no peer: ") + std::strerror(errno)});
    }
    const auto giveUpAt = SteadyClock::now() + settle;
    for (;;) {
        std::string why;
        std::optional<Sighting> seen;
        if (sources_.socketDiagnostics) seen = askSocketDiagnostics(ends, why);
        if ((!seen || !settled(seen->state)) && sources_.procTables) {
            std::string procWhy;
            std::optional<Sighting> listed = readProcTables(ends, procWhy);
            if (listed) {
                seen = listed;
            } else if (!seen) {
                why = why.empty() ? procWhy : why + "; " + procWhy;
            }
        }
        if (seen && settled(seen->state)) return seen->uid;
        if (seen) why = "the socket at " + addressText(ends.peer) + " isn't set up yet";
        if (SteadyClock::now() >= giveUpAt) return unexpected(ConnectionOwnerError{why});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace quorvel
