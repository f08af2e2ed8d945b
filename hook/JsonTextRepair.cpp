#include "hook/JsonTextRepair.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace quorvel {
namespace {

constexpr std::string_view replacementEscape = "\\ufffd";

bool isDigit(char byte) { return byte >= '0' && byte <= '9'; }

bool isNumberByte(char byte) {
    return isDigit(byte) || byte == '-' || byte == '+' || byte == '.' || byte == 'e' || byte == 'E';
}

int hexValue(char byte) {
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
    return -1;
}

// The code unit of the four hexadecimal digits at `at`; -1 when they aren't four digits.
int codeUnitAt(std::string_view text, std::size_t at) {
    if (text.size() < at + 4) return -1;
    int unit = 0;
    for (std::size_t index = at; index < at + 4; ++index) {
        const int digit = hexValue(text[index]);
        if (digit < 0) return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

bool isHighSurrogate(int unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(int unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// JSON's number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view text, bool& isInteger) {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && isDigit(text[at])) ++at;
        return at > start;
    };
    if (at < text.size() && text[at] == '-') ++at;
    if (at < text.size() && text[at] == '0') {
        ++at;
    } else if (!digits()) {
        return false;
    }
    isInteger = true;
    if (at < text.size() && text[at] == '.') {
        ++at;
        isInteger = false;
        if (!digits()) return false;
    }
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        isInteger = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (!digits()) return false;
    }
    return at == text.size();
}

// Whether the reader holds this well-formed number: as a 64-bit integer when it is written
// as one and fits, else as a finite double (an underflow to zero is held, as the reader does).
bool readerHolds(const std::string& number, bool isInteger) {
    const char* first = number.data();
    const char* last = number.data() + number.size();
    if (isInteger) {
        if (number.front() == '-') {
            std::int64_t value = 0;
            if (std::from_chars(first, last, value).ec == std::errc()) return true;
        } else {
            std::uint64_t value = 0;
            if (std::from_chars(first, last, value).ec == std::errc()) return true;
        }
    }
    return std::isfinite(std::strtod(number.c_str(), nullptr));
}

}  // namespace

void JsonTextRepair::feed(std::string_view bytes, std::string& out) {
    for (char byte : bytes) step(byte, out);
}

void JsonTextRepair::finish(std::string& out) {
    if (state_ == State::number) {
        endNumber(out);
    } else {
        // A cut escape: the reader refuses the cut text anyway.
        if (state_ == State::escape) out += '\\';
        out += held_;
    }
    held_.clear();
    state_ = State::outside;
}

void JsonTextRepair::step(char byte, std::string& out) {
    switch (state_) {
        case State::outside:
            if (byte == '-' || isDigit(byte)) {
                held_.assign(1, byte);
                state_ = State::number;
            } else {
                if (byte == '"') state_ = State::string;
                out += byte;
            }
            return;
        case State::number:
            if (isNumberByte(byte)) {
                held_ += byte;
                return;
            }
            endNumber(out);
            state_ = State::outside;
            step(byte, out);
            return;
        case State::string:
            if (byte == '\\') {
                state_ = State::escape;
            } else {
                if (byte == '"') state_ = State::outside;
                out += byte;
            }
            return;
        case State::escape:
            if (byte == 'u') {
                held_ = "\\u";
                state_ = State::unicodeEscape;
            } else {
                out += '\\';
                out += byte;
                state_ = State::string;
            }
            return;
        case State::unicodeEscape: {
            if (hexValue(byte) < 0) {
                // Not an escape the reader takes: it refuses the text, as before.
                out += held_;
                held_.clear();
                state_ = State::string;
                step(byte, out);
                return;
            }
            held_ += byte;
            if (held_.size() < 6) return;
            const int unit = codeUnitAt(held_, 2);
            if (isHighSurrogate(unit)) {
                state_ = State::afterHighSurrogate;
                return;
            }
            out += isLowSurrogate(unit) ? replacementEscape : std::string_view(held_);
            held_.clear();
            state_ = State::string;
            return;
        }
        case State::afterHighSurrogate: {
            held_ += byte;
            const std::size_t length = held_.size();
            // "\uD83D" then "\uDE00": every byte read so far must still fit that shape.
            const bool fits = (length == 7 && byte == '\\') || (length == 8 && byte == 'u') ||
                              (length > 8 && hexValue(byte) >= 0);
            if (!fits) {
                replaceLoneHighSurrogate(out);
                return;
            }
            if (length < 12) return;
            if (!isLowSurrogate(codeUnitAt(held_, 8))) {
                replaceLoneHighSurrogate(out);
                return;
            }
            out += held_;
            held_.clear();
            state_ = State::string;
            return;
        }
    }
}

void JsonTextRepair::replaceLoneHighSurrogate(std::string& out) {
    const std::string following = held_.substr(6);
    held_.clear();
    out += replacementEscape;
    state_ = State::string;
    for (char byte : following) step(byte, out);
}

void JsonTextRepair::endNumber(std::string& out) {
    bool isInteger = false;
    if (isJsonNumber(held_, isInteger) && !readerHolds(held_, isInteger)) {
        out += "null";
    } else {
        out += held_;
    }
    held_.clear();
}

std::string repairedJsonText(std::string_view text) {
    JsonTextRepair repair;
    std::string out;
    out.reserve(text.size());
    repair.feed(text, out);
    repair.finish(out);
    return out;
}

JsonRepairBuffer::int_type JsonRepairBuffer::underflow() {
    if (gptr() != nullptr && gptr() < egptr()) return traits_type::to_int_type(*gptr());
    buffer_.clear();
    while (buffer_.empty() && !ended_) {
        const std::streamsize read = source_.sgetn(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
        if (read <= 0) {
            ended_ = true;
            repair_.finish(buffer_);
        } else {
            repair_.feed(std::string_view(chunk_.data(), static_cast<std::size_t>(read)), buffer_);
        }
    }
    if (buffer_.empty()) return traits_type::eof();
    setg(buffer_.data(), buffer_.data(), buffer_.data() + buffer_.size());
    return traits_type::to_int_type(*gptr());
}

}  // namespace quorvel
