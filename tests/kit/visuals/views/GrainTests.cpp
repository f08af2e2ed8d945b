#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "kit/visuals/views/kit/Grain.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;

std::uint64_t fnv1a64(const std::uint8_t* bytes, std::size_t count) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (std::size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ULL;
    }
    return hash;
}

// The generator written out again, apart from the code under test.
std::vector<int> whitePixelsByTheGenerator() {
    std::vector<int> white;
    unsigned long long s = 0x9C4A00ULL;
    for (int pixel = 0; pixel < 128 * 128; ++pixel) {
        s = s ^ (s << 13);
        s = s ^ (s >> 7);
        s = s ^ (s << 17);
        if (s % 6 == 0) white.push_back(pixel);
    }
    return white;
}

TEST(GrainTile, HoldsTheFixedSeedsNoise) {
    const std::vector<std::uint8_t> bytes = Grain::tileBytes();
    ASSERT_EQ(bytes.size(), 65536u);
    const std::vector<int> white = whitePixelsByTheGenerator();
    EXPECT_EQ(white.size(), 2760u);
    EXPECT_EQ(std::vector<int>(white.begin(), white.begin() + 8), (std::vector<int>{4, 21, 26, 32, 43, 46, 49, 56}));

    std::vector<std::uint8_t> expected(65536, 0);
    for (const int pixel : white)
        for (int channel = 0; channel < 4; ++channel) expected[static_cast<std::size_t>(pixel * 4 + channel)] = 255;
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(fnv1a64(bytes.data(), bytes.size()), 0xe6848953a0768d85ULL);
}

TEST(GrainTile, IsAnImageOf64PointsWhosePixelsAreTheBytes) {
    const QImage& tile = Grain::tile();
    ASSERT_FALSE(tile.isNull());
    EXPECT_EQ(tile.size(), QSize(128, 128));
    EXPECT_DOUBLE_EQ(tile.devicePixelRatio(), 2.0);
    EXPECT_EQ(&Grain::tile(), &tile) << "built once";
    EXPECT_EQ(tile.pixel(4, 0), qRgba(255, 255, 255, 255));
    EXPECT_EQ(tile.pixel(5, 0), qRgba(0, 0, 0, 0));
    const std::vector<std::uint8_t> bytes = Grain::tileBytes();
    EXPECT_EQ(fnv1a64(tile.constBits(), 65536), fnv1a64(bytes.data(), bytes.size()));
}

TEST(GrainOverlay, TilesFromItsTopLeftAtItsOpacityAndNothingAtZero) {
    PaintedImage picture({140, 70}, 2, Qt::black);
    picture.paint([](QPainter& painter) { Grain{1}.paint(painter, QRectF(4, 3, 130, 64)); });
    // Pixel 4 of the tile's first row is white, pixel 5 is not; the tile repeats every 64 points.
    EXPECT_EQ(picture.rgb(4 + 2, 3), qRgba(255, 255, 255, 255));
    EXPECT_EQ(picture.rgb(4 + 2.5, 3), qRgba(0, 0, 0, 255));
    EXPECT_EQ(picture.rgb(4 + 64 + 2, 3), qRgba(255, 255, 255, 255));
    EXPECT_EQ(picture.rgb(2, 1), qRgba(0, 0, 0, 255)) << "nothing outside the frame";

    PaintedImage faint({20, 20}, 2, Qt::black);
    faint.paint([](QPainter& painter) { Grain{0.5}.paint(painter, QRectF(0, 0, 20, 20)); });
    EXPECT_NEAR(faint.at(2, 0).red(), 128, 1);

    PaintedImage clear({20, 20}, 2, Qt::black);
    const QImage before = clear.image();
    clear.paint([](QPainter& painter) { Grain{0}.paint(painter, QRectF(0, 0, 20, 20)); });
    clear.paint([](QPainter& painter) { Grain{std::nan("")}.paint(painter, QRectF(0, 0, 20, 20)); });
    EXPECT_EQ(clear.image(), before);
}

}  // namespace
}  // namespace quorvel
