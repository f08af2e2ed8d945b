#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/AlphaMask.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;
using testing::opaque;

TEST(DrawingColours, PaletteColoursBecomeTheirEightBitValues) {
    EXPECT_EQ(drawing::toQColor(Tokens::acid).rgba(), opaque(0xC8F03C));
    EXPECT_EQ(drawing::toQColor(Tokens::ink).rgba(), opaque(0x0E0E0E));
    EXPECT_EQ(drawing::toQColor(Tokens::acid, 0.5).alpha(), 128);
    const Color broken{std::nan(""), 2, -1, std::numeric_limits<double>::infinity()};
    EXPECT_EQ(drawing::toQColor(broken).rgba(), qRgba(0, 255, 0, 255));
}

TEST(DrawingStrokes, APlainStrokeHasFlatCapsMitreJoinsAndLimitTen) {
    const QPen pen = drawing::strokePen(Qt::black, 2);
    EXPECT_EQ(pen.capStyle(), Qt::FlatCap);
    EXPECT_EQ(pen.joinStyle(), Qt::MiterJoin);
    EXPECT_DOUBLE_EQ(pen.miterLimit(), 10);
    EXPECT_DOUBLE_EQ(pen.widthF(), 2);
}

TEST(DrawingStrokes, WidthZeroOrNaNDrawsNoHairline) {
    QPainterPath square;
    square.addRect(2, 2, 6, 6);
    for (const double width : {0.0, -1.0, std::nan("")}) {
        PaintedImage picture({10, 10}, 2);
        picture.paint([&](QPainter& painter) { drawing::strokePath(painter, square, Qt::black, width); });
        EXPECT_EQ(picture.rgb(2, 2), 0u) << width;
    }
    PaintedImage stroked({10, 10}, 2);
    stroked.paint([&](QPainter& painter) { drawing::strokePath(painter, square, Qt::black, 2); });
    EXPECT_EQ(stroked.rgb(2, 2), opaque(0));
    EXPECT_EQ(drawing::insetForStroke(QRectF(0, 0, 10, 4), 2), QRectF(1, 1, 8, 2));
}

TEST(DrawingDevicePixels, ThePaintDevicesPixelRatioCountsAndPointsSnapToPixels) {
    PaintedImage picture({10, 10}, 2);
    picture.paint([](QPainter& painter) {
        EXPECT_DOUBLE_EQ(drawing::devicePixelsPerPoint(painter), 2);
        painter.scale(1.5, 1.5);
        EXPECT_DOUBLE_EQ(drawing::devicePixelsPerPoint(painter), 3);
        const QPointF snapped = drawing::snappedToDevicePixels(painter, QPointF(1.1, 0.5));
        EXPECT_NEAR(snapped.x(), 1.0, 1e-9);
        EXPECT_NEAR(snapped.y(), 2.0 / 3.0, 1e-9);
    });
}

TEST(DrawingShadows, AHardShadowIsTheShapeRedrawnAtItsOffset) {
    QPainterPath square;
    square.addRect(2, 2, 4, 4);
    PaintedImage picture({12, 12}, 2);
    picture.paint([&](QPainter& painter) { drawing::drawShadow(painter, square, {QColor(255, 0, 0), 0, {3, 1}}); });
    EXPECT_EQ(picture.rgb(5, 3), opaque(0xFF0000));
    EXPECT_EQ(picture.rgb(8.5, 6.5), opaque(0xFF0000));
    EXPECT_EQ(picture.rgb(4.5, 2.5), 0u);
}

TEST(DrawingShadows, ABlurredShadowSpreadsAndIsCachedOncePerShapeAndSize) {
    QPainterPath square;
    square.addRect(10, 10, 10, 10);
    const drawing::Shadow soft{QColor(0, 0, 0), 4, {0, 0}};
    PaintedImage picture({40, 40}, 2);
    const std::size_t before = drawing::cachedShadowCount();
    picture.paint([&](QPainter& painter) {
        drawing::drawShadow(painter, square, soft);
        drawing::drawShadow(painter, square.translated(0.0, 0.0), soft);
    });
    EXPECT_EQ(drawing::cachedShadowCount(), before + 1);
    EXPECT_GT(picture.at(15, 15).alpha(), 240);
    EXPECT_GT(picture.at(21.5, 15).alpha(), 20);   // spread past the edge
    EXPECT_LT(picture.at(21.5, 15).alpha(), 200);
    EXPECT_EQ(picture.at(1, 1).alpha(), 0);
    PaintedImage moved({40, 40}, 2);
    moved.paint([&](QPainter& painter) { drawing::drawShadow(painter, square.translated(5, 5), soft); });
    EXPECT_EQ(drawing::cachedShadowCount(), before + 1) << "the same shape elsewhere shares the mask";
}

// An inner shadow worked out over its whole layer, as it was before only the edge strips were.
void paintWholeLayerInnerShadow(QPainter& painter, const QPainterPath& shape, const drawing::Shadow& shadow) {
    const double density = drawing::devicePixelsPerPoint(painter);
    const double spread = (drawing::blurSpread(shadow.radius * density) + 1) / density;
    drawing::Layer layer = drawing::makeLayer(painter, shape.boundingRect().adjusted(-spread, -spread, spread, spread));
    QPainter layerPainter;
    layer.beginPainting(layerPainter);
    layerPainter.fillRect(layer.rect.adjusted(-1, -1, 1, 1), Qt::black);
    layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    layerPainter.fillPath(shape.translated(shadow.offset), Qt::black);
    layerPainter.end();
    drawing::blurMask(layer.image, shadow.radius * density);
    layer.beginPainting(layerPainter);
    QPainterPath outside;
    outside.addRect(layer.rect.adjusted(-2, -2, 2, 2));
    outside.addPath(shape);
    outside.setFillRule(Qt::OddEvenFill);
    layerPainter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    layerPainter.fillPath(outside, Qt::black);
    layerPainter.end();
    drawing::tintMask(layer.image, shadow.color);
    layer.drawInto(painter);
}

TEST(DrawingShadows, ALargeFacesInnerShadowFromItsEdgeStripsIsTheWholeLayersPixelForPixel) {
    QPainterPath plate;
    plate.addRoundedRect(QRectF(7.25, 5.5, 380, 170), 18, 18);
    QPainterPath cut;  // a bevelled shape, not a rounded one
    cut.moveTo(20, 12);
    cut.lineTo(300, 12);
    cut.lineTo(320, 32);
    cut.lineTo(320, 160);
    cut.lineTo(20, 160);
    cut.closeSubpath();
    for (const QPainterPath& shape : {plate, cut}) {
        for (const drawing::Shadow& shadow : {drawing::Shadow{QColor(0, 0, 0, 190), 2, {3, 4}},
                                              drawing::Shadow{QColor(255, 255, 255, 70), 0, {-2, -3}}}) {
            for (const double scale : {1.0, 2.0}) {
                SCOPED_TRACE(std::to_string(scale) + "x, radius " + std::to_string(shadow.radius));
                PaintedImage strips({400, 190}, scale, QColor(40, 60, 80));
                strips.paint([&](QPainter& painter) { drawing::drawInnerShadow(painter, shape, shadow); });
                PaintedImage whole({400, 190}, scale, QColor(40, 60, 80));
                whole.paint([&](QPainter& painter) { paintWholeLayerInnerShadow(painter, shape, shadow); });
                EXPECT_EQ(strips.image(), whole.image());
            }
        }
    }
}

TEST(DrawingShadows, AnInnerShadowStaysInsideTheShapeOnTheSideAwayFromItsOffset) {
    QPainterPath square;
    square.addRect(4, 4, 12, 12);
    PaintedImage picture({20, 20}, 2);
    picture.paint([&](QPainter& painter) {
        painter.fillPath(square, QColor(0, 0, 255));
        drawing::drawInnerShadow(painter, square, {QColor(255, 255, 255), 0, {2, 2}});
    });
    EXPECT_EQ(picture.rgb(4.5, 10), opaque(0xFFFFFF));  // left edge, uncovered by the moved shape
    EXPECT_EQ(picture.rgb(10, 4.5), opaque(0xFFFFFF));
    EXPECT_EQ(picture.rgb(15.5, 15.5), opaque(0x0000FF));
    EXPECT_EQ(picture.rgb(3.5, 10), 0u) << "nothing outside the shape";
}

TEST(DrawingShadows, TheCacheStaysWithinItsBudgetWhateverSizesComeAndGo) {
    PaintedImage picture({620, 620}, 2);
    const std::size_t before = drawing::cachedShadowCount();
    picture.paint([](QPainter& painter) {
        for (int step = 0; step < 30; ++step) {
            QPainterPath plate;
            plate.addRect(0, 0, 500 + step, 500);  // a window resized through 30 widths
            drawing::drawInnerShadow(painter, plate, {QColor(0, 0, 0, 128), 0, {2, 3}});
        }
        QPainterPath huge;
        huge.addRect(0, 0, 1200, 1200);
        drawing::drawInnerShadow(painter, huge, {QColor(0, 0, 0, 128), 0, {2, 3}});
    });
    // Each mask is about 4 MiB at this density; the budget holds 48 MiB.
    EXPECT_LE(drawing::cachedShadowCount(), before + 12);
}

TEST(DrawingShadows, StrayRadiiAndShapesFarBeyondAnyScreenDrawNothingAndNeverOverflow) {
    EXPECT_EQ(drawing::blurSpread(2), 3);
    EXPECT_EQ(drawing::blurSpread(0), 0);
    EXPECT_EQ(drawing::blurSpread(-4), 0);
    EXPECT_EQ(drawing::blurSpread(std::nan("")), 0);
    EXPECT_EQ(drawing::blurSpread(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(drawing::blurSpread(1e300), drawing::maximumBlurSpread);
    EXPECT_EQ(drawing::blurSpread(3e9), drawing::maximumBlurSpread) << "past the integer range";

    QPainterPath vast;
    vast.addRect(0, 0, 1e300, 4);
    QPainterPath square;
    square.addRect(2, 2, 4, 4);
    PaintedImage picture({12, 12}, 2);
    const QImage before = picture.image();
    const std::size_t cached = drawing::cachedShadowCount();
    picture.paint([&](QPainter& painter) {
        drawing::drawShadow(painter, vast, {QColor(0, 0, 0), 2, {0, 0}});
        drawing::drawShadow(painter, square, {QColor(0, 0, 0), 1e300, {0, 0}});
    });
    EXPECT_EQ(picture.image(), before);
    EXPECT_EQ(drawing::cachedShadowCount(), cached);
}

TEST(DrawingLayers, GroupOpacityHidesWhatLiesUnderTheGroupsOwnParts) {
    const auto twoSquares = [](QPainter& painter) {
        painter.fillRect(QRectF(2, 2, 8, 8), QColor(255, 0, 0));
        painter.fillRect(QRectF(6, 6, 8, 8), QColor(255, 0, 0));
    };
    PaintedImage grouped({16, 16}, 2, Qt::white);
    grouped.paint([&](QPainter& painter) { drawing::paintWithOpacity(painter, QRectF(0, 0, 16, 16), 0.4, twoSquares); });
    EXPECT_EQ(grouped.rgb(3, 3), grouped.rgb(7, 7)) << "the overlap looks like the rest";
    EXPECT_NEAR(grouped.at(3, 3).greenF(), 0.6, 0.01);

    PaintedImage none({16, 16}, 2, Qt::white);
    none.paint([&](QPainter& painter) { drawing::paintWithOpacity(painter, QRectF(0, 0, 16, 16), 0, twoSquares); });
    EXPECT_EQ(none.rgb(7, 7), opaque(0xFFFFFF));
    EXPECT_TRUE(drawing::makeLayer(QPainter(), QRectF(0, 0, std::nan(""), 3)).isNull());
}

TEST(DrawingBlur, BlurKeepsAOneColourImageOneColourAndSpreadsItsAlpha) {
    QImage image(21, 21, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = 8; y <= 12; ++y)
        for (int x = 8; x <= 12; ++x) image.setPixel(x, y, qRgba(200, 100, 0, 255));
    drawing::blurAlpha(image, 4);
    const QColor centre = image.pixelColor(10, 10);
    const QColor near = image.pixelColor(14, 10);
    EXPECT_GT(centre.alpha(), near.alpha());
    EXPECT_GT(near.alpha(), 0);
    EXPECT_NEAR(near.redF() / near.greenF(), 2.0, 0.25);  // eight-bit rounding at low alpha
    EXPECT_EQ(drawing::blurSpread(4), 6);
    EXPECT_EQ(drawing::blurSpread(std::nan("")), 0);
}

}  // namespace
}  // namespace quorvel
