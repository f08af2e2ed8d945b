#include <gtest/gtest.h>

#include <cmath>

#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "tests/kit/visuals/views/PaintedImage.hpp"

namespace quorvel {
namespace {

using testing::opaque;

TEST(DymoLabel, TiltIsTheFnvHashOfTheUtf8BytesMappedOntoPlusMinusOneAndAHalfDegrees) {
    EXPECT_DOUBLE_EQ(DymoLabel::tilt(""), 0.38) << "the offset basis itself: 6261";
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("MODEL 0.0.1"), 0.28);
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("TODAY"), -0.49);
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("YESTERDAY"), -0.52);
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("A"), 1.02);
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("B"), -1.12);
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("\xC3\xA9"), 0.07) << "é hashed over its two UTF-8 bytes";
    EXPECT_DOUBLE_EQ(DymoLabel::tilt("\xC3\x84PFEL \xC3\x9C" "BER"), -0.21);
    for (const char* text : {"", "MONDAY", "A", "B"}) {
        const double tilt = DymoLabel::tilt(text);
        EXPECT_GE(tilt, -1.5);
        EXPECT_LE(tilt, 1.5);
        EXPECT_DOUBLE_EQ(tilt, DymoLabel::tilt(text)) << "stable";
    }
}

TEST(DymoLabel, AFixedTiltReplacesTheComputedOne) {
    EXPECT_DOUBLE_EQ((DymoLabel{"TODAY", DymoLabel::Tape::ink, 12, 0.0}).angle(), 0);
    EXPECT_DOUBLE_EQ((DymoLabel{"TODAY", DymoLabel::Tape::ink, 12, -3.0}).angle(), -3);
    EXPECT_DOUBLE_EQ((DymoLabel{"TODAY", DymoLabel::Tape::ink, 12, std::nan("")}).angle(), 0);
    EXPECT_DOUBLE_EQ((DymoLabel{"TODAY", DymoLabel::Tape::ink, 12, std::nullopt}).angle(), -0.49);
}

TEST(DymoLabel, ItsSizeIsTheTrackedBoldLinePlusThePadding) {
    const DymoLabel label{"MODEL 0.0.1", DymoLabel::Tape::ink, 12, std::nullopt};
    const drawing::TextStyle style{Fonts::mono(true, 12), 12 * 0.16, Qt::white, Qt::AlignCenter, 1};
    const QSizeF line = drawing::naturalSize("MODEL 0.0.1", style);
    EXPECT_NEAR(label.layoutSize().width(), line.width() + 18, 1e-6);
    EXPECT_NEAR(label.layoutSize().height(), line.height() + 6, 1e-6);
}

TEST(DymoLabel, AStraightLabelShowsItsTapeAndRaisedLetters) {
    for (const auto tape : {DymoLabel::Tape::ink, DymoLabel::Tape::acid}) {
        const DymoLabel label{"I", tape, 12, 0.0};
        const QSizeF size = label.layoutSize();
        testing::PaintedImage picture({size.width() + 10, size.height() + 10}, 2, Qt::black);
        picture.paint([&](QPainter& painter) { label.paint(painter, QRectF(QPointF(5, 5), size)); });
        const QRgb fill = tape == DymoLabel::Tape::acid ? opaque(0xC8F03C) : opaque(0x111111);
        // Left padding, half way down: the tape, unless a grain pixel lightened it.
        int tapePixels = 0;
        for (double y = 8; y < 5 + size.height() - 3; y += 0.5) tapePixels += picture.rgb(7, y) == fill ? 1 : 0;
        EXPECT_GT(tapePixels, 4);
        EXPECT_EQ(picture.rgb(5 + size.width() + 3.5, 5 + size.height() / 2), opaque(0)) << "shadow reaches 1 point, no more";
    }
}

TEST(DymoLabel, ARepaintFromItsKeptPictureLooksTheSame) {
    const DymoLabel label{"TODAY", DymoLabel::Tape::acid, 12, std::nullopt};
    const QRectF frame(QPointF(6, 6), label.layoutSize());
    testing::PaintedImage first({100, 40}, 2, Qt::black);
    first.paint([&](QPainter& painter) { label.paint(painter, frame); });
    testing::PaintedImage again({100, 40}, 2, Qt::black);
    again.paint([&](QPainter& painter) { label.paint(painter, frame); });
    EXPECT_EQ(first.image(), again.image());
    // Under a rotated painter nothing is kept: the label is drawn straight through, and looks alike.
    testing::PaintedImage turned({100, 40}, 2, Qt::black);
    turned.paint([&](QPainter& painter) {
        painter.translate(frame.center());
        painter.rotate(0.001);
        painter.translate(-frame.center());
        label.paint(painter, frame);
    });
    const QPointF middle = frame.center();
    EXPECT_NEAR(turned.at(middle.x() - 20, middle.y()).green(), first.at(middle.x() - 20, middle.y()).green(), 8);
}

}  // namespace
}  // namespace quorvel
