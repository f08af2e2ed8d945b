#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "kit/visuals/views/kit/PixelMapView.hpp"
#include "kit/visuals/views/mascot/MascotRenderer.hpp"
#include "kit/visuals/views/mascot/MascotView.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using Face = PixelArt::Face;
using Key = MascotRenderer::Key;
using testing::opaque;

// The colour of body cell (column, row) in a bitmap rendered at one pixel per point.
QRgb cellColour(const QImage& image, const Key& key, int column, int row) {
    const double inset = MascotRenderer::margin(key.glow);
    const double x = (inset + key.cell * (column + 0.5)) * key.pixelScale;
    const double y = (inset + key.cell * (row + 0.5)) * key.pixelScale;
    return image.pixel(static_cast<int>(x), static_cast<int>(y));
}

TEST(MascotRenderer, TheBitmapsSideFollowsCellScaleAndGlow) {
    EXPECT_EQ(MascotRenderer::side({Face::happy, false, false, 0, 4, 2, true}), 176);
    EXPECT_EQ(MascotRenderer::side({Face::happy, false, false, 0, 4, 2, false}), 128);
    EXPECT_EQ(MascotRenderer::side({Face::happy, false, false, 0, 6, 1, false}), 96);
    EXPECT_EQ(MascotRenderer::side({Face::happy, false, false, 0, 3, 1.5, true}), 108);
    const auto image = MascotRenderer::render({Face::happy, false, false, 0, 4, 2, true});
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(176, 176));
    EXPECT_DOUBLE_EQ(image->devicePixelRatio(), 2);
    EXPECT_DOUBLE_EQ(MascotRenderer::margin(true), 12);
    EXPECT_DOUBLE_EQ(MascotRenderer::margin(false), 0);
}

TEST(MascotRenderer, KeysThatCannotBeDrawnGiveNothingAndNeverGrowTheCache) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::size_t before = MascotRenderer::cacheSize();
    for (const Key& key : {Key{Face::happy, false, false, 0, 0, 2, false}, Key{Face::happy, false, false, 0, nan, 2, false},
                           Key{Face::happy, false, false, 0, 4, nan, true}, Key{Face::happy, false, false, 0, infinity, 1, false},
                           Key{Face::happy, false, false, 0, -4, -2, false}, Key{Face::happy, false, false, 0, 600, 1, false},
                           Key{Face::happy, false, false, 0, 0.01, 1, false}}) {
        EXPECT_FALSE(MascotRenderer::image(key)) << key.cell << " " << key.pixelScale;
        EXPECT_FALSE(MascotRenderer::image(key));
    }
    EXPECT_EQ(MascotRenderer::cacheSize(), before);
    EXPECT_EQ(MascotRenderer::side({Face::happy, false, false, 0, 512, 1, false}), 8192) << "the largest side";
}

TEST(MascotRenderer, TheSameKeyGivesTheSameImageFromTheCache) {
    const Key key{Face::wink, true, false, 1, 5, 2, false};
    const std::size_t before = MascotRenderer::cacheSize();
    const auto first = MascotRenderer::image(key);
    const auto second = MascotRenderer::image(key);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->cacheKey(), second->cacheKey());
    EXPECT_EQ(MascotRenderer::cacheSize(), before + 1);
    EXPECT_NE(MascotRenderer::render(key)->cacheKey(), first->cacheKey()) << "render bypasses the cache";
    EXPECT_EQ(*MascotRenderer::render(key), *first);
}

TEST(MascotRenderer, ManyThreadsAskingForOneKeyGetEqualImagesAndOneEntry) {
    const Key key{Face::zero, false, true, 0, 3, 3, true};
    const std::size_t before = MascotRenderer::cacheSize();
    std::vector<QImage> images(6);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < images.size(); ++i)
        threads.emplace_back([&images, &key, i] { images[i] = *MascotRenderer::image(key); });
    for (std::thread& thread : threads) thread.join();
    for (const QImage& image : images) EXPECT_EQ(image, images[0]);
    EXPECT_EQ(MascotRenderer::cacheSize(), before + 1);
}

TEST(MascotRenderer, CellsWearTheBodyAndFacePalettes) {
    const Key happy{Face::happy, false, false, 0, 4, 1, false};
    const QImage image = *MascotRenderer::render(happy);
    EXPECT_EQ(cellColour(image, happy, 0, 0), 0u) << "empty corner";
    EXPECT_EQ(cellColour(image, happy, 2, 0), opaque(0x0E0E0E));
    EXPECT_EQ(cellColour(image, happy, 2, 1), opaque(0xF4F3EE));
    EXPECT_EQ(cellColour(image, happy, 3, 3), opaque(0x0F130F));
    EXPECT_EQ(cellColour(image, happy, 4, 4), opaque(0xC8F03C)) << "left eye, face cell (1, 1)";
    EXPECT_EQ(cellColour(image, happy, 13, 12), opaque(0xC8F03C)) << "the LED cell";

    const Key broke{Face::happy, true, true, 0, 4, 1, false};
    const QImage red = *MascotRenderer::render(broke);
    EXPECT_EQ(cellColour(red, broke, 2, 0), opaque(0x000000));
    EXPECT_EQ(cellColour(red, broke, 2, 1), opaque(0xFF5A4F));
    EXPECT_EQ(cellColour(red, broke, 3, 3), opaque(0x050605));
    EXPECT_EQ(cellColour(red, broke, 4, 4), opaque(0xF4F3EE));
}

TEST(MascotRenderer, AShiftedFaceIsCutAtTheScreensEdge) {
    const Key shifted{Face::happy, false, false, 2, 4, 1, false};
    const QImage image = *MascotRenderer::render(shifted);
    EXPECT_EQ(cellColour(image, shifted, 12, 4), opaque(0xC8F03C)) << "right eye's first column";
    EXPECT_EQ(cellColour(image, shifted, 13, 4), opaque(0x0E0E0E)) << "its second column is outside the screen";
    EXPECT_EQ(cellColour(image, shifted, 4, 4), opaque(0x0F130F));
    for (const int shift : {INT_MAX, INT_MIN, 10, -11}) {
        const Key far{Face::happy, false, false, shift, 4, 1, false};
        const QImage blank = *MascotRenderer::render(far);
        for (int column = 3; column <= 12; ++column)
            for (int row = 3; row <= 9; ++row) ASSERT_EQ(cellColour(blank, far, column, row), opaque(0x0F130F)) << shift;
    }
}

TEST(MascotRenderer, TheGlowIsASoftAcidHaloInTheMargin) {
    const Key glowing{Face::happy, false, false, 0, 4, 1, true};
    const QImage image = *MascotRenderer::render(glowing);
    const QColor halo = image.pixelColor(12 + 32, 12 - 3);  // three points above the body's top edge
    EXPECT_GT(halo.alpha(), 0);
    EXPECT_LT(halo.alpha(), 60);
    EXPECT_GT(halo.green(), halo.blue());
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(cellColour(image, glowing, 4, 4), opaque(0xC8F03C)) << "the face never glows";
}

TEST(MascotView, DrawsWithWholeCellsTheSameCellsAsTheRenderer) {
    const MascotView view{Face::shocked, 3.4, true, -1, false};
    EXPECT_DOUBLE_EQ(view.cellSize(), 3);
    EXPECT_EQ(view.size(), QSizeF(48, 48));
    EXPECT_EQ((MascotView{Face::wink, 4, false, 0, false}).accessibilityLabel(), "Quorvel mascot, wink face");

    testing::PaintedImage picture({48, 48}, 1);
    picture.paint([&](QPainter& painter) { view.paint(painter, QPointF(0, 0)); });
    const QImage rendered = *MascotRenderer::render({Face::shocked, true, false, -1, 3, 1, false});
    ASSERT_EQ(picture.image().size(), rendered.size());
    int differing = 0;
    for (int y = 0; y < rendered.height(); ++y)
        for (int x = 0; x < rendered.width(); ++x) differing += picture.image().pixel(x, y) != rendered.pixel(x, y) ? 1 : 0;
    EXPECT_EQ(differing, 0);

    testing::PaintedImage shiftedFar({48, 48}, 1);
    shiftedFar.paint([](QPainter& painter) { MascotView{Face::happy, 3, false, INT_MIN, false}.paint(painter, QPointF(0, 0)); });
    EXPECT_EQ(shiftedFar.rgb(4.5 * 3, 4.5 * 3), opaque(0x0F130F));
}

TEST(PixelMapView, AnOriginAddsEmptyCellsBeforeTheMap) {
    const PixelMapView view(PixelArt::faces().at(Face::zero), PixelArt::facePalette(false), 2.6, {3, 3});
    EXPECT_DOUBLE_EQ(view.scale, 3);
    EXPECT_EQ(view.widthInCells(), 10);
    EXPECT_EQ(view.heightInCells(), 7);
    EXPECT_EQ(view.size(), QSizeF(39, 30));
    EXPECT_EQ(view.cellRect(0, 0), QRectF(9, 9, 3, 3));
    testing::PaintedImage picture({39, 30}, 2);
    picture.paint([&](QPainter& painter) { view.paint(painter, QRectF(0, 0, 39, 30)); });
    EXPECT_EQ(picture.rgb(9 + 3 * 3, 9), opaque(0xC8F03C)) << "zero's first cell, column 3";
    EXPECT_EQ(picture.rgb(9, 9), 0u);

    EXPECT_EQ(PixelMapView({}, {}, 4).size(), QSizeF(0, 0));
    EXPECT_DOUBLE_EQ(PixelMapView(PixelArt::floppy(), PixelArt::floppyPalette(), std::nan("")).scale, 0);
    EXPECT_DOUBLE_EQ(wholeCellScale(2.5), 3);
    EXPECT_DOUBLE_EQ(wholeCellScale(-1), 0);
}

}  // namespace
}  // namespace quorvel
