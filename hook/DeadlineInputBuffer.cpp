#include "hook/DeadlineInputBuffer.hpp"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::size_t chunkBytes = 65536;

std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 1;
}

// Where the bytes that could still grow into a well-formed sequence begin: a lead byte among
// the last three whose sequence needs more bytes than there are. A lead byte is never a
// continuation, so repairing the text before it gives the same as repairing the whole.
std::size_t unfinishedTail(const std::string& bytes) {
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if (byte < 0x80) return size;
        if (byte >= 0xC0) return sequenceLength(byte) > back ? size - back : size;
    }
    return size;
}

}  // namespace

DeadlineInputBuffer::DeadlineInputBuffer(int fd, Clock::time_point deadline, std::size_t headCap)
    : fd_(fd), deadline_(deadline), headCap_(headCap) {}

bool DeadlineInputBuffer::readChunk(std::string& chunk) {
    if (ended_) return false;
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) {
            timedOut_ = true;
            ended_ = true;
            return false;
        }
        pollfd waiting{fd_, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) continue;  // the deadline is checked above
        if (ready < 0) break;
        chunk.resize(chunkBytes);
        const ssize_t count = ::read(fd_, chunk.data(), chunk.size());
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count <= 0) break;
        chunk.resize(static_cast<std::size_t>(count));
        bytesRead_ += chunk.size();
        if (head_.size() < headCap_) head_.append(chunk, 0, std::min(chunk.size(), headCap_ - head_.size()));
        return true;
    }
    ended_ = true;
    return false;
}

void DeadlineInputBuffer::fillHead() {
    std::string chunk;
    while (head_.size() < headCap_ && readChunk(chunk)) {
    }
}

DeadlineInputBuffer::int_type DeadlineInputBuffer::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    std::string chunk;
    buffer_.clear();
    while (buffer_.empty()) {
        if (readChunk(chunk)) {
            pending_ += chunk;
            const std::size_t finished = unfinishedTail(pending_);
            buffer_ = text::repairedUtf8(std::string_view(pending_).substr(0, finished));
            pending_.erase(0, finished);
        } else {
            if (timedOut_) throw DeadlinePassed();
            if (pending_.empty()) return traits_type::eof();
            buffer_ = text::repairedUtf8(pending_);
            pending_.clear();
        }
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
    return traits_type::to_int_type(*gptr());
}

}  // namespace quorvel
