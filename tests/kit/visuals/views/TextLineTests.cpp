#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using drawing::TextStyle;

TextStyle monoStyle(double tracking = 0, double minimumScale = 1) {
    return {Fonts::mono(false, 12), tracking, Qt::white, Qt::AlignCenter, minimumScale};
}

TEST(TextLine, LineBreaksTabsAndControlsBecomeSpaces) {
    EXPECT_EQ(drawing::singleLine("a\r\nb\nc\td\re"), "a b c d e");
    EXPECT_EQ(drawing::singleLine(QString::fromUtf8("x\u2028y\u0085z\u2029")), "x y z ");
    EXPECT_EQ(drawing::singleLine("<b>bold</b> &amp;"), "<b>bold</b> &amp;") << "markup stays literal text";
}

TEST(TextLine, TrackingAddsAfterEveryCharacter) {
    const double plain = drawing::naturalWidth("ABCDE", monoStyle(0));
    const double tracked = drawing::naturalWidth("ABCDE", monoStyle(2));
    EXPECT_NEAR(tracked - plain, 10, 0.01);
}

TEST(TextLine, AFittingLineKeepsItsSize) {
    const drawing::FittedLine fitted = drawing::fitLine("SHELL", monoStyle(), 200);
    EXPECT_EQ(fitted.text, "SHELL");
    EXPECT_DOUBLE_EQ(fitted.scale, 1);
    EXPECT_DOUBLE_EQ(fitted.size.width(), drawing::naturalWidth("SHELL", monoStyle()));
    EXPECT_DOUBLE_EQ(drawing::fitLine("SHELL", monoStyle(), std::numeric_limits<double>::infinity()).scale, 1);
}

TEST(TextLine, ATooWideLineShrinksDownToTheMinimumScaleThenElides) {
    const TextStyle style = monoStyle(0.96, 0.7);
    const double natural = drawing::naturalWidth("TEST THE ALARM", style);
    const drawing::FittedLine shrunk = drawing::fitLine("TEST THE ALARM", style, natural * 0.8);
    EXPECT_EQ(shrunk.text, "TEST THE ALARM");
    EXPECT_NEAR(shrunk.scale, 0.8, 1e-9);
    EXPECT_NEAR(shrunk.size.width(), natural * 0.8, 1e-6);

    const drawing::FittedLine cut = drawing::fitLine("TEST THE ALARM", style, natural * 0.5);
    EXPECT_DOUBLE_EQ(cut.scale, 0.7);
    EXPECT_TRUE(cut.text.endsWith(QChar(0x2026))) << cut.text.toStdString();
    EXPECT_LE(cut.size.width(), natural * 0.5 + 1e-6);
    EXPECT_NEAR(cut.size.height(), drawing::lineHeight(drawing::trackedFont(style.font, style.tracking)) * 0.7, 1e-6)
        << "one line, never wrapped";

    const drawing::FittedLine none = drawing::fitLine("TEST", style, std::nan(""));
    EXPECT_DOUBLE_EQ(none.scale, 0.7);
    EXPECT_LE(none.size.width(), drawing::naturalWidth(QString(QChar(0x2026)), style));
}

TEST(TextLine, ALineTallerThanItsFrameIsCentredAndOverflowsUnclipped) {
    testing::PaintedImage picture({200, 60}, 2, Qt::black);
    const TextStyle style{Fonts::pixel(26), 0, Qt::white, Qt::AlignCenter, 1};
    picture.paint([&](QPainter& painter) { drawing::drawTextLine(painter, QRectF(0, 28, 200, 4), "HHHH", style); });
    int litAbove = 0;
    for (int x = 0; x < 400; ++x)
        for (int y = 0; y < 56; ++y) litAbove += qRed(picture.image().pixel(x, y)) > 128 ? 1 : 0;
    EXPECT_GT(litAbove, 100) << "glyphs drawn above the frame";
}

}  // namespace
}  // namespace quorvel
