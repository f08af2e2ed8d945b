// PNG encoding of rendered pictures: what is written reads back pixel for pixel, also for
// widths whose rows Qt pads.
#include <gtest/gtest.h>

#include <cstring>

#include <QImage>

#include "app/render/views/PngEncoding.hpp"

namespace quorvel {
namespace {

QImage patterned(int width, int height, QImage::Format format) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgba(x * 7 % 256, y * 13 % 256, (x + y) % 256, 255));
    }
    return image;
}

TEST(PngEncoding, EveryRowReadsBackInPlaceWhateverTheWidth) {
    // 393 x 2 = 786 (the phone pictures): 2358 bytes of RGB a row, padded to 2360 by Qt.
    for (const int width : {1, 2, 3, 4, 5, 786}) {
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
            const QImage original = patterned(width, 5, format);
            const auto bytes = encodePng(original);
            ASSERT_TRUE(bytes) << width;
            const QImage back = QImage::fromData(*bytes, "PNG").convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(back.size(), original.size()) << width;
            for (int y = 0; y < original.height(); ++y) {
                for (int x = 0; x < width; ++x) {
                    ASSERT_EQ(back.pixel(x, y), original.pixel(x, y)) << "width " << width << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(PngEncoding, ALargePictureWrittenInBandsReadsBackWholeWithStraightAlpha) {
    // About 5 MB of rows: deflated in several bands that must join into one valid stream.
    const int width = 1201;
    const int height = 1003;
    QImage translucent(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(translucent.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int alpha = (x * 3 + y) % 256;
            row[x] = qPremultiply(qRgba((x * 7) % 256, (y * 5) % 256, ((x ^ y) * 11) % 256, alpha));
        }
    }
    const QImage opaque = translucent.convertToFormat(QImage::Format_RGB32);
    for (const QImage& original : {translucent, opaque}) {
        const auto bytes = encodePng(original);
        ASSERT_TRUE(bytes);
        const QImage back = QImage::fromData(*bytes, "PNG").convertToFormat(QImage::Format_ARGB32);
        const QImage expected = original.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(back.size(), expected.size());
        for (int y = 0; y < height; ++y) {
            ASSERT_EQ(std::memcmp(back.constScanLine(y), expected.constScanLine(y), static_cast<std::size_t>(width) * 4), 0)
                << "row " << y << (original.hasAlphaChannel() ? " (with alpha)" : " (opaque)");
        }
    }
}

}  // namespace
}  // namespace quorvel
