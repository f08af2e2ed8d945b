#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/Fader.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {
namespace {

TEST(Fader, PressPositionGivesTheValueUnderTheKnobsCentre) {
    EXPECT_DOUBLE_EQ(Fader::valueAt(12), 1.0);
    EXPECT_DOUBLE_EQ(Fader::valueAt(106), 0.0);
    EXPECT_DOUBLE_EQ(Fader::valueAt(59), 0.5);
    EXPECT_DOUBLE_EQ(Fader::valueAt(-40), 1.0);
    EXPECT_DOUBLE_EQ(Fader::valueAt(500), 0.0);
    EXPECT_DOUBLE_EQ(Fader::valueAt(std::numeric_limits<double>::quiet_NaN()), 0.0);
    EXPECT_DOUBLE_EQ(Fader::valueAt(-std::numeric_limits<double>::infinity()), 1.0);
}

TEST(Fader, KnobTravelsNinetyFourPointsAndIsDrawnClampedForStrayValues) {
    EXPECT_DOUBLE_EQ(Fader::knobRect(1).top(), 0);
    EXPECT_DOUBLE_EQ(Fader::knobRect(0).top(), 94);
    EXPECT_DOUBLE_EQ(Fader::knobRect(0.5).center().y(), 59);
    EXPECT_DOUBLE_EQ(Fader::knobRect(1.7).top(), 0);
    EXPECT_DOUBLE_EQ(Fader::knobRect(std::nan("")).top(), 94);
    EXPECT_DOUBLE_EQ(Fader::tickRect(8).top(), 6 + 13.3 * 8);
}

TEST(Fader, PercentRoundsHalvesAwayFromZero) {
    EXPECT_EQ(Fader::readout(0.82), "VOL 82");
    EXPECT_EQ(Fader::readout(0.375), "VOL 38");
    EXPECT_EQ(Fader::readout(0.825), "VOL 83");
    EXPECT_EQ(Fader::readout(0.0), "VOL 0");
    EXPECT_EQ(Fader::readout(1.0), "VOL 100");
    EXPECT_EQ(Fader::readout(0.824), "VOL 82");
    EXPECT_EQ(Fader::accessibilityValue(0.824), "82 percent");
    EXPECT_EQ(Fader::accessibilityValue(0.835), "84 percent");
    EXPECT_EQ(Fader::readout(0.835), "VOL 84");
    // Values no edit of the fader makes still never overflow the conversion.
    EXPECT_EQ(Fader::percent(std::numeric_limits<double>::infinity()), 100);
    EXPECT_EQ(Fader::percent(-3), 0);
    EXPECT_EQ(Fader::percent(std::nan("")), 0);
}

TEST(Fader, StepsMoveByFiveHundredthsWithinTheRange) {
    EXPECT_DOUBLE_EQ(Fader::incremented(0.98), 1.0);
    EXPECT_DOUBLE_EQ(Fader::decremented(0.02), 0.0);
    EXPECT_DOUBLE_EQ(Fader::incremented(0.5), 0.55);
    EXPECT_DOUBLE_EQ(Fader::decremented(0.5), 0.45);
    EXPECT_DOUBLE_EQ(Fader::incremented(std::nan("")), 0.05);

    std::vector<double> steps;
    Fader fader;
    fader.value = 0.98;
    fader.actions.onStep = [&](double value) { steps.push_back(value); };
    fader.increment();
    fader.value = 0.02;
    fader.decrement();
    EXPECT_EQ(steps, (std::vector<double>{1.0, 0.0}));
}

TEST(Fader, DragReportsBeganEveryChangeAndOneEnd) {
    std::vector<std::string> calls;
    Fader fader;
    fader.value = 0.3;
    fader.actions.onDragBegan = [&] { calls.push_back("began"); };
    fader.actions.onDragChanged = [&](double value) { calls.push_back("changed " + std::to_string(Fader::percent(value))); };
    fader.actions.onDragEnded = [&](double value) { calls.push_back("ended " + std::to_string(Fader::percent(value))); };

    fader.press({20, 59});
    fader.drag({20, 12});
    fader.drag({20, 300});
    fader.release({20, 106});

    EXPECT_EQ(calls, (std::vector<std::string>{"began", "changed 50", "changed 100", "changed 0", "ended 0"}));
    EXPECT_TRUE(Fader::contains({0.5, 122.5}));
    EXPECT_FALSE(Fader::contains({44.5, 10}));
}

TEST(Fader, PaintsTheKnobWhereTheValuePutsIt) {
    auto knobColourAt = [](double value, double y) {
        QImage image(44, 123, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        Fader fader;
        fader.value = value;
        fader.paint(painter, {0, 0});
        painter.end();
        return image.pixelColor(8, static_cast<int>(y));
    };
    const QColor acid = drawing::toQColor(Tokens::acid);
    EXPECT_EQ(knobColourAt(1, 6).rgb(), acid.rgb());
    EXPECT_NE(knobColourAt(0, 6).rgb(), acid.rgb());
    EXPECT_EQ(knobColourAt(0, 100).rgb(), acid.rgb());
}

}  // namespace
}  // namespace quorvel
