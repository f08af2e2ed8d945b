// The phone parts: what each shows for its inputs, and where it takes taps.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "kit/phone/BackKey.hpp"
#include "kit/phone/MiniMascotView.hpp"
#include "kit/phone/PageTitle.hpp"
#include "kit/phone/ProgressPips.hpp"
#include "kit/phone/PulsingLED.hpp"
#include "kit/phone/RowWithKey.hpp"
#include "kit/phone/SettingRow.hpp"
#include "kit/phone/SettingsSection.hpp"
#include "kit/phone/SmallKeyStyle.hpp"
#include "kit/phone/StatusWell.hpp"
#include "kit/phone/TokenField.hpp"
#include "kit/visuals/model/Tokens.hpp"

namespace quorvel {
namespace {

QImage canvas(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

bool anyPainted(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) return true;
        }
    }
    return false;
}

TEST(SmallKeyStyleTests, AHeldKeySinksTwoPointsOnAShallowerDepthInAFrameOfAtLeastForty) {
    const QRectF frame(0, 0, 80, 40);
    const QRectF rest = SmallKeyStyle::faceRect(frame, false);
    const QRectF held = SmallKeyStyle::faceRect(frame, true);
    EXPECT_EQ(held.top() - rest.top(), 2);
    EXPECT_EQ(SmallKeyStyle::depth(false), 3);
    EXPECT_EQ(SmallKeyStyle::depth(true), 1);
    // The bottom of the depth stays put.
    EXPECT_EQ(rest.bottom() + 3, held.bottom() + 1);
    EXPECT_EQ(rest.height(), 27);
    EXPECT_EQ(SmallKeyStyle::size("OK").height(), 40);
    EXPECT_GT(SmallKeyStyle::size("SEND TEST PUSH").width(), SmallKeyStyle::size("OK").width());
    EXPECT_EQ(SmallKeyStyle::colors(SmallKeyStyle::Style::acid),
              (SmallKeyStyle::Colors{Tokens::acid, Tokens::acidDeep, Tokens::ink}));
    EXPECT_EQ(SmallKeyStyle::colors(SmallKeyStyle::Style::panel),
              (SmallKeyStyle::Colors{Tokens::panel, Tokens::keyDepth, Tokens::mascotWhite}));
}

TEST(PageTitleTests, CountAndSubtitleAreShownOnlyWhenGiven) {
    const PageTitle zero{"RUNS", 0, std::nullopt};
    EXPECT_EQ(zero.countText(), "0");
    EXPECT_EQ(zero.size().height(), 36) << "no subtitle leaves no gap";
    const PageTitle bare{"RUNS", std::nullopt, std::nullopt};
    EXPECT_EQ(bare.countText(), "");
    EXPECT_LT(bare.rowWidth(), zero.rowWidth());
    const PageTitle subtitled{"RUNS", 3, "two phones"};
    EXPECT_GT(subtitled.size().height(), 36 + 2);
    EXPECT_EQ(subtitled.subtitleRect().top(), 38);
    EXPECT_EQ(subtitled.accessibilityLabel(), "RUNS, 3, two phones");
}

TEST(TokenFieldTests, ShowsTheTokenInLowerCaseOrThePlaceholderAsGiven) {
    const TokenField token{"ABCDEF0123", 2, "paste here"};
    EXPECT_EQ(token.shownText(), "abcdef0123");
    EXPECT_TRUE(token.showsToken());
    const TokenField empty{std::nullopt, 2, "Paste Here"};
    EXPECT_EQ(empty.shownText(), "Paste Here");
    EXPECT_FALSE(empty.showsToken());
}

TEST(TokenFieldTests, ALongTokenIsCutInTheMiddleToItsLineLimit) {
    const std::string hex = "A1B2C3D4E5F60718293A4B5C6D7E8F90A1B2C3D4E5F60718293A4B5C6D7E8F90";
    for (int lines : {-3, 0, 1, 2}) {
        const TokenField field{hex, lines, ""};
        const auto shown = field.shownLines(120);
        EXPECT_EQ(static_cast<int>(shown.size()), std::max(1, lines)) << lines;
        QString joined;
        for (const QString& line : shown) joined += line;
        EXPECT_TRUE(joined.startsWith("a1b2")) << joined.toStdString();
        EXPECT_TRUE(joined.endsWith("8f90")) << joined.toStdString();
        EXPECT_TRUE(joined.contains(QChar(0x2026))) << joined.toStdString();
    }
    // One that fits is shown whole.
    const TokenField fits{"abc", 1, ""};
    EXPECT_EQ(fits.shownLines(120), std::vector<QString>{"abc"});
}

TEST(TokenFieldTests, NeitherTheCutNorALineBreakSplitsACharacter) {
    // Pasted text is not always hex: emoji are two UTF-16 units, an accent may follow its letter.
    std::string pasted;
    for (int index = 0; index < 40; ++index) pasted += index % 2 ? "\xF0\x9F\x98\x80" : "e\xCC\x81";
    for (int lines : {1, 2, 3}) {
        const TokenField field{pasted, lines, ""};
        const auto shown = field.shownLines(60);
        EXPECT_EQ(static_cast<int>(shown.size()), lines);
        for (const QString& line : shown) {
            for (int at = 0; at < line.size(); ++at) {
                if (line[at].isHighSurrogate()) {
                    EXPECT_TRUE(at + 1 < line.size() && line[at + 1].isLowSurrogate());
                }
                if (line[at].isLowSurrogate()) {
                    EXPECT_TRUE(at > 0 && line[at - 1].isHighSurrogate());
                }
                if (line[at] == QChar(0x0301)) {
                    EXPECT_TRUE(at > 0 && line[at - 1] == u'e') << lines;
                }
            }
        }
        EXPECT_TRUE(shown.front().startsWith(QString::fromUtf8("e\xCC\x81")));
        EXPECT_TRUE(shown.back().endsWith(QString::fromUtf8("\xF0\x9F\x98\x80")));
    }
}

TEST(StatusWellTests, APulsingLampBlinksWhateverOnSays) {
    const StatusWell pulsingOff{"Waiting", std::nullopt, false, Tokens::acid, true};
    EXPECT_FALSE(pulsingOff.lampLit(0.2));
    EXPECT_TRUE(pulsingOff.lampLit(0.7));
    EXPECT_FALSE(pulsingOff.lampLit(1.2));
    const StatusWell steady{"Paired", std::nullopt, true, Tokens::acid, false};
    EXPECT_TRUE(steady.lampLit(0.2));
    EXPECT_TRUE(steady.layout(300).right.isEmpty()) << "no right text, nothing after the spacer";
    const StatusWell withRight{"Paired", "IOS 18", true, Tokens::acid, false};
    EXPECT_FALSE(withRight.layout(300).right.isEmpty());
    EXPECT_LT(withRight.layout(300).text.right(), withRight.layout(300).right.left());
}

TEST(PulsingLEDTests, UnlitThenLitThenUnlitInHalfSeconds) {
    EXPECT_FALSE(PulsingLED::litAfter(0));
    EXPECT_FALSE(PulsingLED::litAfter(0.49));
    EXPECT_TRUE(PulsingLED::litAfter(0.5));
    EXPECT_TRUE(PulsingLED::litAfter(0.99));
    EXPECT_FALSE(PulsingLED::litAfter(1.0));
    EXPECT_FALSE(PulsingLED::litAfter(1.2));
    EXPECT_TRUE(PulsingLED::litAfter(1.6));
    EXPECT_FALSE(PulsingLED::litAfter(NAN));
    EXPECT_FALSE(PulsingLED::litAfter(-1));

    PulsingLEDBlinker blinker;
    blinker.start();
    EXPECT_FALSE(blinker.lit());
    EXPECT_TRUE(blinker.running());
    blinker.stop();
    EXPECT_FALSE(blinker.running());
}

TEST(BackKeyTests, OnlyTapsInsideTheCircleCount) {
    int taps = 0;
    const BackKey key{[&] { ++taps; }};
    EXPECT_TRUE(key.tap({20, 20}));
    EXPECT_TRUE(key.tap({20, 1}));
    EXPECT_FALSE(key.tap({2, 2}));
    EXPECT_FALSE(key.tap({39, 39}));
    EXPECT_EQ(taps, 2);
    EXPECT_EQ(BackKey::leftChevron().front(), "....X");
    EXPECT_EQ(BackKey::leftChevron()[3], ".XX..");
}

TEST(RowWithKeyTests, TapsOnTheKeyRunTheAction) {
    int taps = 0;
    const RowWithKey row{"Fanfare", "Done: a rising fanfare.", "PLAY", SmallKeyStyle::Style::panel, [&] { ++taps; }};
    const auto parts = row.layout(400);
    EXPECT_FALSE(row.tap({20, 27}, 400));
    EXPECT_TRUE(row.tap(parts.key.center(), 400));
    EXPECT_EQ(taps, 1);
    EXPECT_EQ(parts.key.right(), 400 - 12);
    EXPECT_LT(parts.name.right(), parts.key.left());
}

TEST(MiniMascotViewTests, CellsAreWholePointsAndANegativeScaleDrawsNothing) {
    EXPECT_EQ((MiniMascotView{2.5, false}).size(), QSizeF(36, 33));
    EXPECT_EQ((MiniMascotView{2.4, false}).size(), QSizeF(24, 22));
    EXPECT_EQ((MiniMascotView{-2, false}).cellSize(), 0);

    QImage image = canvas({60, 60});
    {
        QPainter painter(&image);
        MiniMascotView{-3, true}.paint(painter, {0, 0});
        MiniMascotView{NAN, false}.paint(painter, {0, 0});
    }
    EXPECT_FALSE(anyPainted(image));
    {
        QPainter painter(&image);
        MiniMascotView{2, true}.paint(painter, {0, 0});
    }
    EXPECT_TRUE(anyPainted(image));
}

TEST(ProgressPipsTests, PipsUpToTheStepAreLit) {
    const ProgressPips pips{2, 4};
    EXPECT_TRUE(pips.lit(1));
    EXPECT_TRUE(pips.lit(2));
    EXPECT_FALSE(pips.lit(3));
    EXPECT_EQ(pips.accessibilityLabel(), "step 2 of 4");
    EXPECT_EQ(pips.size(), QSizeF(4 * 8 + 3 * 6, 8));
    for (long long step : {0LL, -3LL}) {
        for (long long index = 1; index <= 4; ++index) EXPECT_FALSE((ProgressPips{step, 4}).lit(index));
    }
    for (long long index = 1; index <= 4; ++index) EXPECT_TRUE((ProgressPips{9, 4}).lit(index));
}

TEST(ProgressPipsTests, FewerThanOnePipDrawsNothing) {
    QImage image = canvas({60, 20});
    {
        QPainter painter(&image);
        for (long long total : {0LL, -5LL}) {
            const ProgressPips none{1, total};
            EXPECT_EQ(none.pipCount(), 0);
            EXPECT_EQ(none.size(), QSizeF(0, 0));
            none.paint(painter, {10, 6});
        }
    }
    EXPECT_FALSE(anyPainted(image));
}

TEST(SettingRowTests, AnEmptyNoteIsNoNoteAndLongTextsGrowTheRow) {
    const QSizeF control(58, 40);
    const SettingRow none{"Mute", std::nullopt};
    const SettingRow empty{"Mute", ""};
    EXPECT_FALSE(empty.hasNote());
    EXPECT_EQ(none.layout(480, control).height, empty.layout(480, control).height);
    EXPECT_TRUE(empty.layout(480, control).note.isEmpty());
    EXPECT_EQ(none.layout(480, QSizeF(40, 20)).height, 54) << "never less than 54";
    EXPECT_EQ(none.layout(480, control).height, 40 + 2 * 10) << "a 40-point key and the padding";

    const SettingRow longName{std::string(200, 'w'), "a note"};
    const auto grown = longName.layout(480, control);
    EXPECT_GT(grown.height, 54) << "a name wider than its line wraps, even inside a word";
    EXPECT_LE(grown.name.right(), grown.control.left());
    EXPECT_EQ(grown.control.right(), 480 - 12);
}

TEST(SettingsSectionTests, TheLabelLiesLevelWhateverTheTitle) {
    for (const char* title : {"ALERTS", "PHONE", "PHONE KEY", "RELAY"}) {
        const SettingsSection section{title};
        EXPECT_EQ(section.label().angle(), 0) << title;
        EXPECT_EQ(section.label().tape, DymoLabel::Tape::ink);
        EXPECT_EQ(section.label().size, 10);
        EXPECT_GT(section.contentTop(), section.label().layoutSize().height());
    }
}

}  // namespace
}  // namespace quorvel
