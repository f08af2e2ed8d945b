#include "kit/sound/CafWriter.hpp"

#include <bit>
#include <string_view>

#include "platform/files/Files.hpp"

namespace quorvel::caf {

namespace {

void appendBigEndian(std::string& bytes, std::uint64_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

void appendChunkHeader(std::string& bytes, std::string_view type, std::int64_t size) {
    bytes.append(type);
    appendBigEndian(bytes, static_cast<std::uint64_t>(size), 8);
}

}  // namespace

std::string encode(std::span<const std::int16_t> samples) {
    const auto sampleBytes = static_cast<std::int64_t>(samples.size()) * bytesPerFrame;
    std::string bytes;
    bytes.reserve(68 + static_cast<std::size_t>(sampleBytes));

    bytes.append("caff");
    appendBigEndian(bytes, fileVersion, 2);
    appendBigEndian(bytes, 0, 2);  // file flags

    appendChunkHeader(bytes, "desc", descriptionChunkSize);
    appendBigEndian(bytes, std::bit_cast<std::uint64_t>(sampleRate), 8);
    bytes.append("lpcm");
    appendBigEndian(bytes, formatFlagIsLittleEndian, 4);
    appendBigEndian(bytes, bytesPerFrame, 4);  // bytes per packet
    appendBigEndian(bytes, 1, 4);              // frames per packet
    appendBigEndian(bytes, 1, 4);              // channels per frame
    appendBigEndian(bytes, 16, 4);             // bits per channel

    appendChunkHeader(bytes, "data", editCountSize + sampleBytes);
    appendBigEndian(bytes, 0, 4);  // edit count
    for (std::int16_t sample : samples) {
        const auto value = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<char>(value & 0xFF));
        bytes.push_back(static_cast<char>(value >> 8));
    }
    return bytes;
}

Expected<void, CafError> writeFile(const std::string& path, std::span<const std::int16_t> samples) {
    auto written = files::writeFileAtomically(path, encode(samples), 0644);
    if (!written) return unexpected(CafError{written.error().message});
    return {};
}

}  // namespace quorvel::caf
