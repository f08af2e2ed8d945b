#include <gtest/gtest.h>

#include <cmath>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;
using testing::opaque;

constexpr QRgb background = qRgba(0x2B, 0x2C, 0x2F, 255);

PaintedImage painted(const BevelSurface& surface) {
    PaintedImage picture({60, 40}, 2, QColor::fromRgba(background));
    picture.paint([&](QPainter& painter) { surface.paint(painter, QRectF(10, 10, 40, 20)); });
    return picture;
}

BevelSurface plate(Bevel bevel, std::optional<Color> stroke = std::nullopt, double width = 2) {
    return {Shape::rectangle(), Tokens::panel, Tokens::brokeDeep, bevel, stroke, width};
}

int luminance(QColor colour) { return colour.red() + colour.green() + colour.blue(); }

TEST(Shape, ContinuousCornersFillTheFrameEaseInFromTheEdgesAndFallBackWhenTooTight) {
    const QRectF frame(10, 10, 100, 40);
    const QPainterPath smooth = Shape::continuousRoundedRectangle(7).in(frame);
    const QPainterPath round = Shape::roundedRectangle(7).in(frame);
    EXPECT_NEAR(smooth.boundingRect().left(), 10, 1e-9);
    EXPECT_NEAR(smooth.boundingRect().bottom(), 50, 1e-9);
    EXPECT_FALSE(smooth.contains(QPointF(10.5, 10.5)));
    EXPECT_TRUE(smooth.contains(QPointF(60, 30)));
    // Near the end of the straight edge the continuous corner already curves away, where the
    // circular one (x 10.16 at this height) has not.
    EXPECT_TRUE(round.contains(QPointF(10.2, 15.5)));
    EXPECT_FALSE(smooth.contains(QPointF(10.2, 15.5)));
    EXPECT_TRUE(smooth.contains(QPointF(10.3, 20.5)));
    EXPECT_EQ(Shape::continuousRoundedRectangle(7).in(QRectF(0, 0, 100, 12)), Shape::roundedRectangle(7).in(QRectF(0, 0, 100, 12)));
    EXPECT_TRUE(Shape::continuousRoundedRectangle(7).in(QRectF(0, 0, std::nan(""), 12)).isEmpty());
    // No radius: the plain rectangle (the phone icon's plate).
    EXPECT_EQ(Shape::continuousRoundedRectangle(0).in(frame), Shape::rectangle().in(frame));
}

TEST(BevelSurface, ARaisedFaceShowsItsDepthBelowAndALightTopLeftEdge) {
    const PaintedImage picture = painted(plate(Bevel::raised(6)));
    EXPECT_EQ(picture.rgb(30, 20), opaque(0x3A3C41)) << "the middle is the plain fill";
    EXPECT_EQ(picture.rgb(30, 33), opaque(0x8F2A22)) << "depth colour below the face";
    EXPECT_EQ(picture.rgb(30, 36.5), background);
    EXPECT_GT(luminance(picture.at(10.5, 20)), luminance(QColor(0x3A3C41))) << "light left edge";
    EXPECT_LT(luminance(picture.at(49.5, 20)), luminance(QColor(0x3A3C41))) << "dark right edge";
    EXPECT_LT(luminance(picture.at(30, 29.5)), luminance(QColor(0x3A3C41))) << "dark bottom edge";
}

TEST(BevelSurface, RaisedByZeroHasNoVisibleDepthButKeepsItsEdges) {
    const PaintedImage picture = painted(plate(Bevel::raised(0)));
    EXPECT_EQ(picture.rgb(30, 30.5), background);
    EXPECT_GT(luminance(picture.at(10.5, 20)), luminance(QColor(0x3A3C41)));
    EXPECT_DOUBLE_EQ(plate(Bevel::raised(std::nan(""))).depthOffset(), 0);
}

TEST(BevelSurface, APressedFaceTurnsTheLightAroundAndSinksToOnePoint) {
    const PaintedImage picture = painted(plate(Bevel::pressed()));
    EXPECT_LT(luminance(picture.at(10.5, 20)), luminance(QColor(0x3A3C41))) << "dark top-left";
    EXPECT_EQ(picture.rgb(30, 30.5), opaque(0x8F2A22));
    EXPECT_EQ(picture.rgb(30, 31.5), background);
}

TEST(BevelSurface, ARecessedHoleHasAFaintLightLipBelow) {
    const PaintedImage picture = painted(plate(Bevel::recessed()));
    const QColor lip = picture.at(30, 30.5);
    EXPECT_GT(luminance(lip), luminance(QColor::fromRgba(background)));
    EXPECT_LT(luminance(picture.at(11, 20)), luminance(QColor(0x3A3C41))) << "deep shadow top-left";
}

TEST(BevelSurface, NoStrokeMeansNoOutlineWhateverTheWidth) {
    const PaintedImage bare = painted(plate(Bevel::raised(0), std::nullopt, 8));
    const PaintedImage outlined = painted(plate(Bevel::raised(0), Tokens::ink, 2));
    EXPECT_EQ(bare.rgb(9.5, 20), background);
    EXPECT_EQ(outlined.rgb(9.5, 20), opaque(0x0E0E0E));
    EXPECT_EQ(outlined.rgb(10.5, 20), opaque(0x0E0E0E)) << "centred on the edge";
    EXPECT_EQ(plate(Bevel::raised(6), Tokens::ink, 2).paintedBounds(QRectF(0, 0, 10, 10)), QRectF(-1, -1, 12, 18));
}

TEST(Led, OnIsLitAndGlowsOffIsSteelWithoutGlowBothOutlined) {
    for (const bool on : {true, false}) {
        PaintedImage picture({30, 30}, 2, Qt::black);
        const LED lamp{on, Tokens::broke, 10};
        picture.paint([&](QPainter& painter) { lamp.paint(painter, lamp.frame(QPointF(15, 15))); });
        EXPECT_EQ(picture.rgb(15, 15), on ? opaque(0xFF5A4F) : opaque(0x55575C));
        EXPECT_EQ(picture.rgb(10, 15), opaque(0x0E0E0E)) << "outline on the edge";
        const QColor halo = picture.at(7.5, 15);
        if (on) {
            EXPECT_GT(halo.red(), 10);
        } else {
            EXPECT_EQ(halo.rgba(), opaque(0));
        }
        EXPECT_EQ(lamp.frame(QPointF(15, 15)), QRectF(10, 10, 10, 10));
    }
}

}  // namespace
}  // namespace quorvel
