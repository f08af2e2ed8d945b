#pragma once
// The agent's payload, rewritten on its way to the JSON reader where the reader would refuse
// the whole of it for one value: a lone surrogate escape ("\ud83d" alone, a text cut inside
// an emoji by the agent's writer) becomes "\ufffd", and a number no double can hold (1e400,
// ten thousand digits) becomes null, which the mapping reads as absent. Everything else,
// malformed JSON included, passes unchanged, so what the reader refused before for any other
// reason it still refuses. One thread.
#include <array>
#include <cstddef>
#include <streambuf>
#include <string>
#include <string_view>

namespace quorvel {

/// Rewrites JSON text piece by piece; the pieces may split it anywhere.
class JsonTextRepair {
public:
    /// Appends to `out` what can be said of `bytes` so far; an escape or a number that the
    /// next piece may complete is held back.
    void feed(std::string_view bytes, std::string& out);
    /// Appends what was held back, at the end of the input.
    void finish(std::string& out);

private:
    enum class State { outside, number, string, escape, unicodeEscape, afterHighSurrogate };
    void step(char byte, std::string& out);
    void endNumber(std::string& out);
    // A high surrogate not followed by a low one: the replacement, then what followed it read
    // again as the string's own bytes.
    void replaceLoneHighSurrogate(std::string& out);

    State state_ = State::outside;
    // The number, or the escape (one "\uXXXX", or two after a high surrogate), being read.
    std::string held_;
};

/// The whole of `text`, rewritten (for a payload held whole).
std::string repairedJsonText(std::string_view text);

/// `source` (not owned) as a stream of repaired JSON text.
class JsonRepairBuffer final : public std::streambuf {
public:
    explicit JsonRepairBuffer(std::streambuf& source) : source_(source) {}

protected:
    int_type underflow() override;

private:
    std::streambuf& source_;
    JsonTextRepair repair_;
    std::array<char, 65536> chunk_{};
    std::string buffer_;
    bool ended_ = false;
};

}  // namespace quorvel
