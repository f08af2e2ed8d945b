#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QPainter>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/views/device/TabBlock.hpp"
#include "kit/visuals/views/device/TabKey.hpp"

namespace quorvel {
namespace {

constexpr double width = 416;
const Instant now = Instant::fromUnixSeconds(1'800'000'000);
const Calendar utc{"gregorian", "UTC", "en_US"};

TabBlock blockFor(const std::string& sample, ListTab tab = ListTab::running) {
    TabBlock block(DeviceSamples::display(sample, now));
    block.tab = tab;
    block.calendar = utc;
    return block;
}

std::vector<TabBlock::RowKind> kinds(const TabBlock::Layout& layout) {
    std::vector<TabBlock::RowKind> result;
    for (const auto& row : layout.rows) result.push_back(row.kind);
    return result;
}

using Kind = TabBlock::RowKind;

TEST(ListTab, RawValuesRoundTripExactly) {
    EXPECT_EQ(rawValue(ListTab::running), "running");
    EXPECT_EQ(listTabFromRawValue("finished"), ListTab::finished);
    EXPECT_EQ(listTabFromRawValue("Finished"), std::nullopt);
    EXPECT_EQ(listTabFromRawValue(""), std::nullopt);
    EXPECT_EQ(allListTabs.front(), ListTab::running);
}

TEST(TabBlock, ShortListsAreFilledWithBlankRowsToThree) {
    TabBlock block = blockFor("idle");
    EXPECT_EQ(kinds(block.layout(width)), (std::vector<Kind>{Kind::empty, Kind::blank, Kind::blank}));

    block.display.finished.clear();
    block.display.finishedCount = 0;
    EXPECT_EQ(kinds(block.layout(width, ListTab::finished)), (std::vector<Kind>{Kind::empty, Kind::blank, Kind::blank}));

    TabBlock one = blockFor("running");
    one.display.running.resize(1);
    EXPECT_EQ(kinds(one.layout(width)), (std::vector<Kind>{Kind::running, Kind::blank, Kind::blank}));
    EXPECT_EQ(kinds(blockFor("running").layout(width)), (std::vector<Kind>{Kind::running, Kind::running, Kind::running}));

    // Tab row 32, then three rows of 54 six points apart: the block never changes height.
    EXPECT_DOUBLE_EQ(block.height(width), 32 + 6 + 3 * 54 + 2 * 6);
    EXPECT_DOUBLE_EQ(one.height(width), block.height(width));
}

TEST(TabBlock, LinkShowsOnlyWhenTheOwnerOffersOneAndTheDisplayHoldsMore) {
    std::vector<ListTab> followed;
    TabBlock block = blockFor("running");
    block.display.runningCount = 5;
    EXPECT_EQ(block.linkText(ListTab::running), std::nullopt);  // no onSeeAll: never a link
    EXPECT_FALSE(block.layout(width).link);

    block.actions.onSeeAll = [&](ListTab tab) { followed.push_back(tab); };
    EXPECT_EQ(block.linkText(ListTab::running), "SEE ALL 5 RUNNING");
    const auto layout = block.layout(width);
    ASSERT_TRUE(layout.link);
    EXPECT_DOUBLE_EQ(layout.size.height(), 32 + 6 + 174 + 6 + 36);
    const QRectF frame(0, 0, width, layout.size.height());
    const auto hit = block.hitTest(frame, layout.link->center());
    ASSERT_TRUE(hit);
    block.activate(*hit);
    EXPECT_EQ(followed, std::vector<ListTab>{ListTab::running});

    block.display.runningCount = 3;
    EXPECT_EQ(block.linkText(ListTab::running), std::nullopt);

    block.display.finishedCount = 12;
    EXPECT_EQ(block.linkText(ListTab::finished), "SEE ALL FINISHED");
    block.display.finished.clear();
    block.display.finishedCount = 0;
    EXPECT_EQ(block.linkText(ListTab::finished), std::nullopt);
}

TEST(TabBlock, RowTapsReportTheTappedSessionAndFinishedRowsTakeNone) {
    std::vector<std::string> tapped;
    TabBlock block = blockFor("needsyou");
    block.actions.onRowTap = [&](const std::string& id) { tapped.push_back(id); };
    const QRectF frame(30, 40, width, block.height(width));
    const auto layout = block.layout(width);
    for (const auto& row : layout.rows) {
        if (const auto hit = block.hitTest(frame, row.frame.center() + frame.topLeft())) block.activate(*hit);
    }
    EXPECT_EQ(tapped, (std::vector<std::string>{"a", "b", "c"}));

    block.tab = ListTab::finished;
    for (const auto& row : block.layout(width).rows) {
        EXPECT_EQ(block.hitTest(frame, row.frame.center() + frame.topLeft()), std::nullopt);
    }
}

TEST(TabBlock, SwitchingTabsAnimatesUnlessMotionIsReducedAndIgnoresTheSelectedTab) {
    std::vector<std::pair<ListTab, bool>> selected;
    TabBlock block = blockFor("running");
    block.actions.onSelect = [&](ListTab tab, bool animated) { selected.emplace_back(tab, animated); };
    const QRectF frame(0, 0, width, block.height(width));
    const auto layout = block.layout(width);

    block.activate(*block.hitTest(frame, layout.runningKey.center()));
    EXPECT_TRUE(selected.empty());
    block.activate(*block.hitTest(frame, layout.finishedKey.center()));
    block.reduceMotion = true;
    block.activate(*block.hitTest(frame, layout.finishedKey.center()));
    EXPECT_EQ(selected, (std::vector<std::pair<ListTab, bool>>{{ListTab::finished, true}, {ListTab::finished, false}}));
}

TEST(TabBlock, TheSlideMovesTheListsTowardOppositeEdgesAndEnds) {
    const TabSwitch toFinished{ListTab::running, ListTab::finished, now};
    const auto halfway = toFinished.at(now.adding(0.09));
    ASSERT_TRUE(halfway);
    EXPECT_NEAR(halfway->eased(), 0.5, 1e-5);
    EXPECT_NEAR(halfway->incomingOffset(), 0.5, 1e-5);
    EXPECT_NEAR(halfway->outgoingOffset(), -0.5, 1e-5);
    EXPECT_EQ(toFinished.at(now.adding(0.18)), std::nullopt);
    EXPECT_EQ(toFinished.at(now.adding(-1)), std::nullopt);

    const TabTransition toRunning{ListTab::finished, ListTab::running, 0};
    EXPECT_DOUBLE_EQ(toRunning.incomingOffset(), -1);
    EXPECT_DOUBLE_EQ(toRunning.outgoingOffset(), 0);
    EXPECT_DOUBLE_EQ((TabTransition{ListTab::running, ListTab::finished, std::nan("")}.eased()), 1);
}

TEST(TabKey, UnselectedKeyIsThreePointsShorterWithTheSameTop) {
    const QRectF frame(0, 0, 205, 32);
    const TabKey selected{ListTab::running, 2, true, 32, {}};
    const TabKey other{ListTab::finished, 7, false, 32, {}};
    EXPECT_EQ(selected.faceRect(frame), frame);
    EXPECT_EQ(other.faceRect(frame), QRectF(0, 0, 205, 29));
    EXPECT_EQ(selected.accessibilityLabel(), "RUNNING, 2");
    EXPECT_EQ(other.legend(), "FINISHED");

    const auto layout = blockFor("running").layout(width);
    EXPECT_EQ(layout.runningKey.height(), layout.finishedKey.height());
    EXPECT_DOUBLE_EQ(layout.runningKey.width(), (width - 6) / 2);
}

TEST(TabBlock, PaintsEverySampleOnBothTabsAndMidSlide) {
    QImage image(static_cast<int>(width), 300, QImage::Format_ARGB32_Premultiplied);
    for (const std::string_view name : DeviceSamples::names) {
        for (const ListTab tab : allListTabs) {
            TabBlock block = blockFor(std::string(name), tab);
            block.transition = TabTransition{tab == ListTab::running ? ListTab::finished : ListTab::running, tab, 0.4};
            image.fill(Qt::transparent);
            QPainter painter(&image);
            block.paint(painter, QRectF(0, 0, width, block.height(width)));
            painter.end();
            // The selected tab key is drawn.
            const QRectF key = tab == ListTab::running ? block.layout(width).runningKey : block.layout(width).finishedKey;
            EXPECT_GT(image.pixelColor(key.center().toPoint()).alpha(), 0) << name;
        }
    }
}

}  // namespace
}  // namespace quorvel
