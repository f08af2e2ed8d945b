#pragma once
// A file descriptor (a socket, an open file) closed when its owner goes. Negative means none;
// moves, never copies.
#include <unistd.h>

#include <utility>

namespace quorvel {

class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int fd = -1) : fd_(fd) {}
    ~OwnedDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    OwnedDescriptor(OwnedDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace quorvel
