#include "app/render/views/PngEncoding.hpp"

#include <png.h>

namespace quorvel {

std::optional<QByteArray> encodePng(const QImage& image) {
    if (image.isNull()) return std::nullopt;
    const bool opaque = !image.hasAlphaChannel();
    // libpng's simplified writer reads bytes in order: RGB888 is R, G, B; ARGB32 on a
    // little-endian machine is B, G, R, A.
    const QImage pixels = image.convertToFormat(opaque ? QImage::Format_RGB888 : QImage::Format_ARGB32);
    if (pixels.isNull()) return std::nullopt;

    png_image description{};
    description.version = PNG_IMAGE_VERSION;
    description.width = static_cast<png_uint_32>(pixels.width());
    description.height = static_cast<png_uint_32>(pixels.height());
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        description.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_BGRA;
    } else {
        description.format = opaque ? PNG_FORMAT_RGB : PNG_FORMAT_ARGB;
    }
    description.flags = PNG_IMAGE_FLAG_FAST;

    // libpng counts the stride in components, which are bytes here; Qt pads each RGB888 row
    // to four bytes, so a width whose row is not a multiple of four has a longer stride than
    // width x 3 (taking the shorter one shears the picture row by row).
    const auto stride = static_cast<png_int_32>(pixels.bytesPerLine());
    // The bound holds for any data, so one pass always fits.
    QByteArray bytes;
    bytes.resize(static_cast<qsizetype>(PNG_IMAGE_PNG_SIZE_MAX(description)));
    png_alloc_size_t size = static_cast<png_alloc_size_t>(bytes.size());
    const int written = png_image_write_to_memory(&description, bytes.data(), &size, 0, pixels.constBits(), stride,
                                                  nullptr);
    png_image_free(&description);
    if (written == 0 || size > static_cast<png_alloc_size_t>(bytes.size())) return std::nullopt;
    bytes.resize(static_cast<qsizetype>(size));
    return bytes;
}

}  // namespace quorvel
