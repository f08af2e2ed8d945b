#include "kit/sound/CafReader.hpp"

#include <bit>
#include <optional>

#include "platform/files/Files.hpp"

namespace quorvel::caf {

namespace {

constexpr std::size_t fileHeaderSize = 8;
constexpr std::size_t chunkHeaderSize = 12;

std::uint64_t bigEndian(std::string_view bytes, std::size_t offset, int size) {
    std::uint64_t value = 0;
    for (int index = 0; index < size; ++index) {
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(index)]);
    }
    return value;
}

Unexpected<CafError> refused(std::string reason) {
    return unexpected(CafError{"Not a readable sound file: " + std::move(reason)});
}

std::optional<CafError> checkDescription(std::string_view desc) {
    auto refusal = [](std::string reason) { return CafError{"Unsupported sound format: " + std::move(reason)}; };
    const double rate = std::bit_cast<double>(bigEndian(desc, 0, 8));
    if (desc.substr(8, 4) != "lpcm") return refusal("not linear PCM");
    const auto flags = bigEndian(desc, 12, 4);
    if (flags != formatFlagIsLittleEndian) return refusal("not little-endian integer samples");
    if (rate != sampleRate) return refusal("not 22,050 samples per second");
    if (bigEndian(desc, 28, 4) != 16) return refusal("not 16-bit");
    if (bigEndian(desc, 24, 4) != 1) return refusal("not mono");
    if (bigEndian(desc, 16, 4) != bytesPerFrame || bigEndian(desc, 20, 4) != 1) {
        return refusal("unexpected packet layout");
    }
    return std::nullopt;
}

}  // namespace

Expected<std::vector<std::int16_t>, CafError> decode(std::string_view bytes) {
    if (bytes.size() < fileHeaderSize || bytes.substr(0, 4) != "caff") {
        return refused("it is not a Core Audio Format file");
    }
    if (bigEndian(bytes, 4, 2) != fileVersion) return refused("unknown file version");

    std::size_t offset = fileHeaderSize;
    bool described = false;
    std::optional<std::vector<std::int16_t>> samples;
    while (offset < bytes.size()) {
        if (bytes.size() - offset < chunkHeaderSize) return refused("the file is cut short");
        const std::string_view type = bytes.substr(offset, 4);
        const auto size = static_cast<std::int64_t>(bigEndian(bytes, offset + 4, 8));
        offset += chunkHeaderSize;
        if (size < 0) return refused("a chunk of unknown size");
        if (static_cast<std::uint64_t>(size) > bytes.size() - offset) {
            return refused("the file is cut short");
        }
        const std::string_view body = bytes.substr(offset, static_cast<std::size_t>(size));
        offset += static_cast<std::size_t>(size);

        if (!described) {
            if (type != "desc" || size != descriptionChunkSize) {
                return refused("the audio description is missing");
            }
            if (auto problem = checkDescription(body)) return unexpected(std::move(*problem));
            described = true;
        } else if (type == "desc") {
            return refused("a second audio description");
        } else if (type == "data") {
            if (samples) return refused("a second data chunk");
            if (size < editCountSize || (size - editCountSize) % bytesPerFrame != 0) {
                return refused("the audio data is damaged");
            }
            const std::string_view pcm = body.substr(static_cast<std::size_t>(editCountSize));
            std::vector<std::int16_t> decoded(pcm.size() / bytesPerFrame);
            for (std::size_t index = 0; index < decoded.size(); ++index) {
                const auto low = static_cast<unsigned char>(pcm[2 * index]);
                const auto high = static_cast<unsigned char>(pcm[2 * index + 1]);
                decoded[index] = static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
            }
            samples = std::move(decoded);
        }
    }
    if (!samples) return refused("it holds no audio data");
    return std::move(*samples);
}

Expected<std::vector<std::int16_t>, CafError> readFile(const std::string& path) {
    auto bytes = files::readFile(path);
    if (!bytes) return unexpected(CafError{bytes.error().message});
    return decode(*bytes);
}

}  // namespace quorvel::caf
