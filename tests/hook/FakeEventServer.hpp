#pragma once
// A stand-in for the app's event server: records each request and answers it with whatever
// bytes a test chooses, or holds the connection open without a word.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quorvel::testing {

class FakeEventServer {
public:
    /// `reply` is sent once a whole request has arrived; absent means never answer.
    explicit FakeEventServer(std::optional<std::string> reply) : reply_(std::move(reply)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        int one = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 64);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { run(); });
    }
    ~FakeEventServer() {
        stopping_ = true;
        thread_.join();
        ::close(listener_);
    }

    std::uint16_t port() const { return port_; }

    std::vector<std::string> requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    /// The body of a recorded request (after the blank line).
    static std::string bodyOf(const std::string& request) {
        auto end = request.find("\r\n\r\n");
        return end == std::string::npos ? "" : request.substr(end + 4);
    }

private:
    static bool isWhole(const std::string& data) {
        auto end = data.find("\r\n\r\n");
        if (end == std::string::npos) return false;
        std::size_t length = 0;
        auto field = data.find("Content-Length: ");
        if (field != std::string::npos && field < end) length = std::stoul(data.substr(field + 16));
        return data.size() >= end + 4 + length;
    }

    bool waitReadable(int fd) {
        while (!stopping_) {
            pollfd watch{fd, POLLIN, 0};
            if (::poll(&watch, 1, 20) > 0) return true;
        }
        return false;
    }

    void run() {
        std::vector<int> held;
        while (waitReadable(listener_)) {
            int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) continue;
            std::string data;
            char buffer[4096];
            while (!isWhole(data) && waitReadable(connection)) {
                ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
                if (count <= 0) break;
                data.append(buffer, static_cast<std::size_t>(count));
            }
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(data);
            }
            if (reply_) {
                ::send(connection, reply_->data(), reply_->size(), MSG_NOSIGNAL);
                ::close(connection);
            } else {
                held.push_back(connection);
            }
        }
        for (int fd : held) ::close(fd);
    }

    std::optional<std::string> reply_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace quorvel::testing
