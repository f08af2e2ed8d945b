#include "app/render/views/PngEncoding.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

#include <zlib.h>

namespace quorvel {

namespace {

// zlib's effort 3 with no row filters: libpng's "fast" write, which balances time and size
// best on pictures with grain.
constexpr int compressionLevel = 3;
// Below this many raw bytes one thread is quicker than starting more.
constexpr qsizetype bytesPerBand = 1 << 20;
constexpr unsigned maximumBands = 4;
constexpr qsizetype largestChunk = 1 << 20;

struct Band {
    int firstRow = 0;
    int endRow = 0;
    bool last = false;
    std::vector<unsigned char> deflated;
    uLong adler = 1;
    uLong rawLength = 0;
    bool ok = false;
};

// Qt converts a slice this small on the calling thread (larger ones go to its thread pool).
constexpr qsizetype pixelsPerSlice = 1 << 16;

// The rows of one slice as PNG wants them, each the filter byte (none), then R, G, B[, A] with
// straight alpha. Qt's own conversion undoes the premultiplication: its rounding is what
// every earlier picture was written with.
void encodeRows(const QImage& image, int firstRow, int rows, bool opaque, unsigned char* out) {
    const int width = image.width();
    const QImage slice(image.constScanLine(firstRow), width, rows, image.bytesPerLine(), image.format());
    const QImage straight = slice.convertToFormat(opaque ? QImage::Format_RGB888 : QImage::Format_ARGB32);
    for (int y = 0; y < rows; ++y) {
        *out++ = 0;
        if (opaque) {
            std::memcpy(out, straight.constScanLine(y), static_cast<std::size_t>(width) * 3);
            out += static_cast<std::size_t>(width) * 3;
            continue;
        }
        const QRgb* pixels = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            *out++ = static_cast<unsigned char>(qRed(pixels[x]));
            *out++ = static_cast<unsigned char>(qGreen(pixels[x]));
            *out++ = static_cast<unsigned char>(qBlue(pixels[x]));
            *out++ = static_cast<unsigned char>(qAlpha(pixels[x]));
        }
    }
}

// Deflates the band's rows as raw deflate blocks. Bands before the last end on a byte boundary
// (a sync flush) without the final-block mark, so the bands laid end to end are one stream.
void deflateBand(const QImage& image, bool opaque, Band& band) {
    const auto rowBytes = static_cast<uLong>(image.width()) * (opaque ? 3 : 4) + 1;
    band.rawLength = rowBytes * static_cast<uLong>(band.endRow - band.firstRow);
    z_stream stream{};
    if (deflateInit2(&stream, compressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return;
    // The bound plus room for the closing sync flush: one pass never runs out of space.
    band.deflated.resize(deflateBound(&stream, band.rawLength) + 16);
    stream.next_out = band.deflated.data();
    stream.avail_out = static_cast<uInt>(band.deflated.size());
    const int sliceRows = static_cast<int>(std::max<qsizetype>(1, pixelsPerSlice / image.width()));
    std::vector<unsigned char> rows(rowBytes * static_cast<std::size_t>(sliceRows));
    bool ok = true;
    for (int y = band.firstRow; y < band.endRow && ok; y += sliceRows) {
        const int count = std::min(sliceRows, band.endRow - y);
        const auto bytes = static_cast<uInt>(rowBytes * static_cast<uLong>(count));
        encodeRows(image, y, count, opaque, rows.data());
        band.adler = adler32(band.adler, rows.data(), bytes);
        stream.next_in = rows.data();
        stream.avail_in = bytes;
        const bool end = y + count == band.endRow;
        const int flush = !end ? Z_NO_FLUSH : band.last ? Z_FINISH : Z_SYNC_FLUSH;
        const int result = deflate(&stream, flush);
        ok = stream.avail_in == 0 && (flush == Z_FINISH ? result == Z_STREAM_END : result == Z_OK);
    }
    band.deflated.resize(band.deflated.size() - stream.avail_out);
    deflateEnd(&stream);
    band.ok = ok;
}

void appendBigEndian(QByteArray& bytes, std::uint32_t value) {
    const std::array<char, 4> be{static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                                 static_cast<char>(value >> 8), static_cast<char>(value)};
    bytes.append(be.data(), 4);
}

void appendChunk(QByteArray& bytes, const char (&type)[5], const char* data, qsizetype length) {
    appendBigEndian(bytes, static_cast<std::uint32_t>(length));
    const qsizetype start = bytes.size();
    bytes.append(type, 4);
    if (length > 0) bytes.append(data, length);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.constData() + start), static_cast<uInt>(length + 4));
    appendBigEndian(bytes, static_cast<std::uint32_t>(crc));
}

}  // namespace

std::optional<QByteArray> encodePng(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const bool opaque = !image.hasAlphaChannel();
    // Bands read rows of 32-bit pixels; the render mode's own formats need no conversion.
    const QImage::Format readable = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
    const bool direct = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32 ||
                        image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage pixels = direct ? image : image.convertToFormat(readable);
    if (pixels.isNull()) return std::nullopt;
    const int width = pixels.width();
    const int height = pixels.height();

    // Large pictures are deflated in bands on several threads (each band is the rows of one
    // slice of the picture); a band starts without the previous one's history, which costs a
    // few bytes per band.
    const qsizetype rawBytes = (static_cast<qsizetype>(width) * (opaque ? 3 : 4) + 1) * height;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto bandCount = static_cast<int>(std::clamp<qsizetype>(
        std::min<qsizetype>(rawBytes / bytesPerBand, std::min(cores, maximumBands)), 1, height));
    std::vector<Band> bands(static_cast<std::size_t>(bandCount));
    for (int i = 0; i < bandCount; ++i) {
        bands[static_cast<std::size_t>(i)].firstRow = static_cast<int>(static_cast<qsizetype>(height) * i / bandCount);
        bands[static_cast<std::size_t>(i)].endRow = static_cast<int>(static_cast<qsizetype>(height) * (i + 1) / bandCount);
        bands[static_cast<std::size_t>(i)].last = i + 1 == bandCount;
    }
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < bands.size(); ++i) {
        try {
            helpers.emplace_back(deflateBand, std::cref(pixels), opaque, std::ref(bands[i]));
        } catch (const std::system_error&) {
            deflateBand(pixels, opaque, bands[i]);  // no thread to be had: this one does it
        }
    }
    deflateBand(pixels, opaque, bands[0]);
    for (std::thread& helper : helpers) helper.join();
    if (!std::all_of(bands.begin(), bands.end(), [](const Band& band) { return band.ok; })) return std::nullopt;

    // The zlib stream: header (deflate, 32 KiB window, "fast" level), the bands, then the
    // Adler-32 of all the raw rows.
    QByteArray stream;
    qsizetype deflatedBytes = 0;
    for (const Band& band : bands) deflatedBytes += static_cast<qsizetype>(band.deflated.size());
    stream.reserve(deflatedBytes + 6);
    stream.append('\x78');
    stream.append('\x5E');
    uLong adler = 1;
    for (const Band& band : bands) {
        stream.append(reinterpret_cast<const char*>(band.deflated.data()), static_cast<qsizetype>(band.deflated.size()));
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.rawLength));
    }
    appendBigEndian(stream, static_cast<std::uint32_t>(adler));

    QByteArray bytes;
    bytes.reserve(stream.size() + stream.size() / largestChunk * 12 + 64);
    bytes.append("\x89PNG\r\n\x1A\n", 8);
    QByteArray header;
    appendBigEndian(header, static_cast<std::uint32_t>(width));
    appendBigEndian(header, static_cast<std::uint32_t>(height));
    // Eight bits a sample; colour type 2 (RGB) or 6 (RGBA); deflate; adaptive filtering (every
    // row says "none"); not interlaced.
    header.append(static_cast<char>(8));
    header.append(static_cast<char>(opaque ? 2 : 6));
    header.append(3, '\0');
    appendChunk(bytes, "IHDR", header.constData(), header.size());
    const char perceptual = 0;
    appendChunk(bytes, "sRGB", &perceptual, 1);
    for (qsizetype at = 0; at < stream.size(); at += largestChunk)
        appendChunk(bytes, "IDAT", stream.constData() + at, std::min(largestChunk, stream.size() - at));
    appendChunk(bytes, "IEND", nullptr, 0);
    return bytes;
}

}  // namespace quorvel
