#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Pad.hpp"
#include "kit/visuals/views/kit/KeyStyle.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::PaintedImage;
using testing::opaque;

constexpr QRgb background = qRgba(0x2B, 0x2C, 0x2F, 255);

TEST(KeyStyle, SizesSelectLegendPaddingCornerAndDepth) {
    const auto mac = KeyStyle::dimensions(KeyStyle::Size::mac);
    const auto compact = KeyStyle::dimensions(KeyStyle::Size::compact);
    const auto phone = KeyStyle::dimensions(KeyStyle::Size::phone);
    const auto tall = KeyStyle::dimensions(KeyStyle::Size::tall);
    EXPECT_EQ((std::array{mac.legendSize, mac.verticalPadding, mac.cornerRadius, mac.depth}), (std::array{24.0, 8.0, 7.0, 6.0}));
    EXPECT_EQ((std::array{compact.legendSize, compact.verticalPadding, compact.cornerRadius, compact.depth}),
              (std::array{24.0, 3.0, 6.0, 5.0}));
    EXPECT_EQ((std::array{phone.legendSize, phone.verticalPadding, phone.cornerRadius, phone.depth}), (std::array{26.0, 9.0, 7.0, 6.0}));
    EXPECT_EQ((std::array{tall.legendSize, tall.verticalPadding, tall.cornerRadius, tall.depth}), (std::array{26.0, 11.0, 7.0, 6.0}));
    EXPECT_EQ(KeyStyle(KeyStyle::Look::panel, KeyStyle::Size::phone).legendFont().pixelSize(), 26);
    EXPECT_EQ(KeyStyle(KeyStyle::Look::panel, KeyStyle::Size::compact).legendFont().pixelSize(), 24);
}

TEST(KeyStyle, LooksNameTheirColourTriples) {
    const KeyStyle panel(KeyStyle::Look::panel, KeyStyle::Size::mac);
    const KeyStyle acid(KeyStyle::Look::acid, KeyStyle::Size::mac);
    const KeyStyle broke(KeyStyle::Look::broke, KeyStyle::Size::mac);
    EXPECT_EQ(panel.fill, Tokens::panel);
    EXPECT_EQ(panel.depth, Tokens::keyDepth);
    EXPECT_EQ(panel.text, Tokens::mascotWhite);
    EXPECT_EQ(acid.fill, Tokens::acid);
    EXPECT_EQ(acid.depth, Tokens::acidDeep);
    EXPECT_EQ(acid.text, Tokens::ink);
    EXPECT_EQ(broke.fill, Tokens::broke);
    EXPECT_EQ(broke.depth, Tokens::brokeDeep);
    EXPECT_EQ(broke.text, Tokens::ink);
}

TEST(KeyStyle, AMacKeyIsLaidOutSixPointsTallerThanItsFaceAndOnePointWhilePressed) {
    const KeyStyle key(KeyStyle::Look::panel, KeyStyle::Size::mac);
    EXPECT_DOUBLE_EQ(key.height(false) - key.faceHeight(), 6);
    EXPECT_DOUBLE_EQ(key.height(true) - key.faceHeight(), 1);
    EXPECT_GE(key.faceHeight(), 24 + 16);
    const QRectF frame(0, 0, 100, key.height(false));
    EXPECT_DOUBLE_EQ(key.faceRect(frame, false).top(), 0);
    EXPECT_DOUBLE_EQ(key.faceRect(frame, true).top(), 5);
    EXPECT_DOUBLE_EQ(key.faceRect(frame, true).bottom() + 1, key.faceRect(frame, false).bottom() + 6)
        << "the drawn bottom edge stays put";
    EXPECT_TRUE(key.contains(frame, QPointF(1, key.height(false) - 1))) << "padding is part of the hit area";
}

TEST(KeyStyle, ACompactKeyShowsFivePointsOfDepthAtRestAndOneWhenPressed) {
    const KeyStyle key(KeyStyle::Look::acid, KeyStyle::Size::compact);
    const QRectF frame(4, 4, 120, key.height(false));
    const double faceBottom = 4 + key.faceHeight();
    PaintedImage rest({128, 60}, 2, QColor::fromRgba(background));
    rest.paint([&](QPainter& painter) { key.paint(painter, frame, "EJECT", false); });
    PaintedImage pressed({128, 60}, 2, QColor::fromRgba(background));
    pressed.paint([&](QPainter& painter) { key.paint(painter, frame, "EJECT", true); });

    EXPECT_EQ(rest.rgb(60, faceBottom + 3), opaque(0x6F8A12)) << "acid depth below the face at rest";
    EXPECT_EQ(rest.rgb(60, faceBottom + 5.5), background);
    EXPECT_EQ(pressed.rgb(60, faceBottom + 3 - 4), opaque(0xC8F03C)) << "the pressed face moved down 4 points";
    // The outline's outer half covers the one point of depth that is left.
    EXPECT_EQ(pressed.rgb(60, faceBottom + 4.5), opaque(0x0E0E0E));
    EXPECT_EQ(pressed.rgb(60, faceBottom + 5.5), background) << "the drawn bottom edge stayed";
    EXPECT_EQ(rest.rgb(60, faceBottom + 5.5), background);
    EXPECT_EQ(pressed.rgb(60, 4.5), background) << "nothing above the sunk face";
    EXPECT_EQ(rest.rgb(60, 4.5), opaque(0x0E0E0E)) << "the outline at the face's top";
}

TEST(KeyStyle, ALongLegendShrinksToSeventyPercentThenIsCutOnOneLine) {
    const KeyStyle key(KeyStyle::Look::panel, KeyStyle::Size::mac);
    const drawing::TextStyle legend{key.legendFont(), 0, Qt::white, Qt::AlignCenter, KeyStyle::minimumScale};
    const drawing::FittedLine fitted = drawing::fitLine("A LEGEND FAR TOO LONG FOR THE KEY", legend, 80);
    EXPECT_DOUBLE_EQ(fitted.scale, 0.7);
    EXPECT_TRUE(fitted.text.endsWith(QChar(0x2026)));
}

TEST(Pad, TogglingWritesTheFlippedStateThroughTheBinding) {
    std::optional<bool> written;
    Pad pad{"CLAUDE", true, [&](bool value) { written = value; }};
    pad.toggle();
    EXPECT_EQ(written, false);
    pad.on = false;
    pad.toggle();
    EXPECT_EQ(written, true);
    Pad{"SHELL", false, {}}.toggle();  // no binding: nothing happens
    EXPECT_TRUE(pad.isSelected() == false);
}

TEST(Pad, OnShowsALitLedAndThePressedFaceOffTheSteelLedAndThePanelFace) {
    const QRectF frame(0, 0, 80, Pad::height());
    EXPECT_DOUBLE_EQ(Pad::faceRect(frame).height(), Pad::height() - 5);
    for (const bool on : {true, false}) {
        PaintedImage picture({80, Pad::height() + 2}, 2, QColor::fromRgba(background));
        picture.paint([&](QPainter& painter) { Pad{"SHELL", on, {}}.paint(painter, frame); });
        EXPECT_EQ(picture.rgb(40, 15), on ? opaque(0xC8F03C) : opaque(0x55575C)) << "LED centre";
        EXPECT_EQ(picture.rgb(10, Pad::faceRect(frame).center().y()), on ? opaque(0x33352F) : opaque(0x3A3C41)) << "face";
        EXPECT_EQ(picture.rgb(40, Pad::height() - 2.5), on ? background : opaque(0x1C1D1F)) << "raised depth only when off";
    }
    EXPECT_TRUE(Pad::contains(frame, QPointF(40, 20)));
    EXPECT_FALSE(Pad::contains(frame, QPointF(40, Pad::height() - 1)));
}

}  // namespace
}  // namespace quorvel
