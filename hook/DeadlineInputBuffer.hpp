#pragma once
// Standard input as a stream for a JSON reader that never holds the whole of it: bytes are
// handed on in chunks, ill-formed UTF-8 repaired to U+FFFD on the way, and the wait for them
// ends at a deadline, so a payload of any size and an input that never closes both leave the
// helper in time to say so. One thread.
#include <chrono>
#include <cstddef>
#include <exception>
#include <streambuf>
#include <string>

namespace quorvel {

class DeadlineInputBuffer final : public std::streambuf {
public:
    using Clock = std::chrono::steady_clock;

    /// Thrown out of the stream when the deadline passes, so the reader stops where it is
    /// instead of taking what it read for a cut-off input: a JSON reader would then spell out
    /// the whole unfinished string in its error message, which for a string of many megabytes
    /// takes longer than the watchdog leaves.
    struct DeadlinePassed : std::exception {
        const char* what() const noexcept override { return "input deadline passed"; }
    };

    /// Reads `fd` (not owned) until end of input, a read error or `deadline`. The first
    /// `headCap` bytes read are also kept as they came.
    DeadlineInputBuffer(int fd, Clock::time_point deadline, std::size_t headCap);

    /// Reads on, without handing anything to the stream, until the head is full, the input
    /// ends or the deadline passes.
    void fillHead();

    /// The first bytes read, unrepaired, at most `headCap` of them.
    const std::string& head() const { return head_; }
    /// Every byte read so far.
    std::size_t bytesRead() const { return bytesRead_; }
    /// The deadline passed while the input was still open.
    bool timedOut() const { return timedOut_; }

protected:
    /// Throws DeadlinePassed once the deadline has passed with the input still open.
    int_type underflow() override;

private:
    /// One read of at most 64 KiB into `chunk`; false at end of input, on an error or at the
    /// deadline.
    bool readChunk(std::string& chunk);

    int fd_;
    Clock::time_point deadline_;
    std::size_t headCap_;
    std::string head_;
    std::size_t bytesRead_ = 0;
    bool ended_ = false;
    bool timedOut_ = false;
    // Bytes that may begin a UTF-8 sequence the next chunk completes.
    std::string pending_;
    std::string buffer_;
};

}  // namespace quorvel
