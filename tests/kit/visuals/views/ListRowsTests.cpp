#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/visuals/model/DeviceSamples.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/lists/FinishedGroupedListView.hpp"
#include "kit/visuals/views/lists/FinishedListView.hpp"
#include "kit/visuals/views/lists/FinishedRowView.hpp"
#include "kit/visuals/views/lists/LogPanel.hpp"
#include "kit/visuals/views/lists/RowFrame.hpp"
#include "kit/visuals/views/lists/RunningListView.hpp"
#include "kit/visuals/views/lists/RunningRowView.hpp"

#include <QImage>
#include <QPainter>

namespace quorvel {
namespace {

constexpr double width = 416;
const Instant now = Instant::fromUnixSeconds(1'800'000'000);  // 2027-01-15 08:00 UTC
const Calendar utc{"gregorian", "UTC", "en_US"};
const QRectF rowFrame(0, 0, width, RowFrame::height);

RunningRow runningRow(SessionState state, bool onScreen) {
    return RunningRow{"s1", "quorvel", "fix the flaky test", std::move(state), now.adding(-245), std::nullopt, onScreen};
}

FinishedRun finishedRun(FinishedRun::Chip chip, std::string title, bool ok) {
    return FinishedRun{chip, std::move(title), 41, ok, "pellucin", "s", now.adding(-600), std::nullopt};
}

TEST(RunningRowView, OutlineMarksOnlyTheSessionOnScreen) {
    const RunningRowView offScreen{runningRow(SessionState::broke("make", 2), false), now};
    EXPECT_EQ(offScreen.outline(), Tokens::ink);
    EXPECT_EQ(offScreen.lines().trailingColor, Tokens::broke);
    EXPECT_FALSE(offScreen.lines().chip.ok);

    const RunningRowView waiting{runningRow(SessionState::needsYou("Allow Bash?"), true), now};
    EXPECT_EQ(waiting.outline(), Tokens::acid);
    EXPECT_EQ(waiting.lines().trailing, "NEEDS YOU");
    EXPECT_EQ(waiting.lines().trailingColor, Tokens::acid);

    const RunningRowView crashed{runningRow(SessionState::crashed("overloaded"), true), now};
    EXPECT_EQ(crashed.outline(), Tokens::broke);
    const RunningRowView grinding{runningRow(SessionState::running(quorvel::Run{now.adding(-245), "x"}), true), now};
    EXPECT_EQ(grinding.lines().trailingColor, Tokens::mascotWhite);
    EXPECT_EQ(grinding.lines().detail, "4m 05s · fix the flaky test");
}

TEST(RunningRowView, FutureStartReadsZeroAndAMissingProjectReadsNoTerminals) {
    RunningRow row = runningRow(SessionState::running(quorvel::Run{now.adding(30), ""}), true);
    row.startedAt = now.adding(30);
    row.project.reset();
    row.title.clear();
    const RowLines lines = RunningRowView{row, now}.lines();
    EXPECT_EQ(lines.detail, "0s");
    EXPECT_EQ(lines.title, "no terminals");
}

TEST(FinishedRowView, FailedShellCommandShowsRedChipTitleAndBroke) {
    const RowLines lines = FinishedRowView{finishedRun(FinishedRun::Chip::shell, "pnpm build", false), now, utc}.lines();
    EXPECT_EQ(lines.chip.text, "SH");
    EXPECT_FALSE(lines.chip.ok);
    EXPECT_EQ(lines.title, "pnpm build");
    EXPECT_EQ(lines.trailing, "BROKE");
    EXPECT_EQ(lines.trailingColor, Tokens::broke);
    EXPECT_EQ(lines.detail, "pellucin · 07:50");
    EXPECT_EQ(lines.accessibilityLabel(), "SH, pnpm build, BROKE, pellucin · 07:50");
}

TEST(FinishedRowView, UntitledRunLeadsWithItsProjectAndKeepsOnlyTheTimeBelow) {
    FinishedRun run = finishedRun(FinishedRun::Chip::claude, "", true);
    const RowLines lines = FinishedRowView{run, now, utc}.lines();
    EXPECT_EQ(lines.chip.text, "CC");
    EXPECT_EQ(lines.title, "pellucin");
    EXPECT_EQ(lines.trailing, "41s");
    EXPECT_EQ(lines.detail, "07:50");

    run.duration.reset();
    EXPECT_EQ((FinishedRowView{run, now, utc}.lines().trailing), "");
}

TEST(RowLines, OutsideTextShowsOnOneLineAndIsCutToTheRoomLeft) {
    FinishedRun run = finishedRun(FinishedRun::Chip::shell, "make\tall\nthen <b>test</b>", true);
    const RowLines lines = FinishedRowView{run, now, utc}.lines();
    EXPECT_EQ(lines.shownTitle(rowFrame), "make all then <b>test</b>");

    run.title = std::string(200, 'x');
    const RowLines longer = FinishedRowView{run, now, utc}.lines();
    const auto layout = longer.layout(rowFrame);
    EXPECT_TRUE(longer.shownTitle(rowFrame).endsWith(QChar(0x2026)));
    // A long title takes all the room up to a gap, the spacer's 8 points and a gap before the
    // trailing label, no less and no more.
    EXPECT_NEAR(layout.title.right() + 10 + 8 + 10, layout.trailing.left(), 1e-9);
    EXPECT_DOUBLE_EQ(layout.title.left(), 12 + longer.chip.size().width() + 10);
    EXPECT_DOUBLE_EQ(layout.trailing.right(), width - 12);
    EXPECT_GE(layout.detail.top(), layout.title.bottom());
}

TEST(RunningListView, EmptyListSaysSoInOneRowAndRowsReportTheirSession) {
    const RunningListView empty{{}, now, {}};
    EXPECT_EQ(empty.rowFrames(width).size(), 1u);
    EXPECT_DOUBLE_EQ(empty.height(width), 54);
    EXPECT_EQ(empty.hitTest(QRectF(0, 0, width, 54), {10, 10}), std::nullopt);

    std::vector<std::string> tapped;
    const DeviceDisplay display = DeviceSamples::display("running", now);
    const RunningListView list{display.running, now, [&](const std::string& id) { tapped.push_back(id); }};
    const QRectF frame(0, 100, width, list.height(width));
    EXPECT_DOUBLE_EQ(list.height(width), 3 * 54 + 2 * 6);
    const auto hit = list.hitTest(frame, {50, 100 + 54 + 6 + 20});
    ASSERT_TRUE(hit);
    list.activate(*hit);
    EXPECT_EQ(tapped, std::vector<std::string>{"b"});
    EXPECT_EQ(list.hitTest(frame, {50, 100 + 56}), std::nullopt);  // the gap between rows
}

TEST(FinishedListView, OnlyRunsWithALogAreButtonsAndEqualRunsStayApart) {
    FinishedRun plain = finishedRun(FinishedRun::Chip::claude, "refactor", true);
    FinishedRun failed = finishedRun(FinishedRun::Chip::shell, "pnpm build", false);
    failed.log = "error: boom";
    std::vector<std::size_t> tapped;
    FinishedListView list{{plain, plain, failed}, now, {}, {}, {}, utc};

    EXPECT_FALSE(list.isTappable(2));  // no tap action: no buttons at all
    list.onRowTap = [&](std::size_t index) { tapped.push_back(index); };
    EXPECT_FALSE(list.isTappable(0));
    EXPECT_TRUE(list.isTappable(2));

    const auto entries = list.layout(width);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].index, 1u);
    EXPECT_DOUBLE_EQ(entries[1].row.top(), 60);

    const QRectF frame(0, 0, width, list.height(width));
    EXPECT_EQ(list.hitTest(frame, entries[0].row.center()), std::nullopt);
    const auto hit = list.hitTest(frame, entries[2].row.center());
    ASSERT_TRUE(hit);
    list.activate(hit->index);
    list.activate(0);
    EXPECT_EQ(tapped, std::vector<std::size_t>{2});

    list.logFor = [](std::size_t index) { return index == 2 ? std::optional<std::string>("error: boom") : std::nullopt; };
    const auto withLog = list.layout(width);
    ASSERT_TRUE(withLog[2].log);
    EXPECT_DOUBLE_EQ(withLog[2].log->top(), withLog[2].row.bottom() + 6);
    EXPECT_EQ(list.hitTest(frame, withLog[2].log->center()), (FinishedListView::Hit{2, true}));
    EXPECT_DOUBLE_EQ(list.height(width), withLog[2].log->bottom());

    const FinishedListView none{{}, now, {}, {}, {}, utc};
    EXPECT_EQ(none.layout(width).size(), 1u);
    EXPECT_EQ(none.layout(width)[0].index, std::nullopt);
}

TEST(LogPanel, LongLogsScrollInsideAPanelThatNeverPassesOneEightyPoints) {
    const LogPanel shortLog{"one line", 0};
    EXPECT_LT(shortLog.height(width), 60);
    EXPECT_DOUBLE_EQ(shortLog.maxScroll(width), 0);

    std::string text;
    for (int line = 0; line < 40; ++line) text += "line " + std::to_string(line) + "\n";
    const LogPanel longLog{QString::fromStdString(text), 0};
    EXPECT_DOUBLE_EQ(longLog.height(width), 180);
    EXPECT_GT(longLog.maxScroll(width), 300);
    EXPECT_DOUBLE_EQ(longLog.clampedScroll(width, 1e9), longLog.maxScroll(width));
    EXPECT_DOUBLE_EQ(longLog.clampedScroll(width, -5), 0);
    EXPECT_DOUBLE_EQ(longLog.clampedScroll(width, std::nan("")), 0);

    // One very long line wraps instead of running off the panel.
    const LogPanel wide{QString(400, QChar('x')), 0};
    EXPECT_GT(wide.contentHeight(width), shortLog.contentHeight(width) * 2);
}

TEST(FinishedGroupedListView, GroupsByDayUnderStraightHeadings) {
    // In the evening every sample run lies within today and yesterday.
    const Instant evening = now.adding(12 * 3600);
    const FinishedGroupedListView grouped(DeviceSamples::finishedRuns(evening), evening, utc);
    ASSERT_EQ(grouped.groups.size(), 2u);
    EXPECT_EQ(grouped.groups[0].label, "TODAY");
    EXPECT_EQ(grouped.groups[1].label, "YESTERDAY");
    const auto sections = grouped.layout(width);
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections[0].rows.size(), grouped.groups[0].runs.size());
    EXPECT_DOUBLE_EQ(sections[0].rows.front().top(), sections[0].heading.bottom() + 6);
    EXPECT_DOUBLE_EQ(sections[1].heading.top(), sections[0].rows.back().bottom() + 16);
    EXPECT_DOUBLE_EQ(grouped.height(width), sections[1].rows.back().bottom());

    const FinishedGroupedListView empty({}, now, utc);
    EXPECT_TRUE(empty.layout(width).empty());
    EXPECT_DOUBLE_EQ(empty.height(width), 0);
}

TEST(Lists, PaintIntoAnImageOnlyTheRowsInsideTheClip) {
    QImage image(static_cast<int>(width), 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setClipRect(QRectF(0, 0, width, 200));
    const FinishedGroupedListView grouped(DeviceSamples::finishedRuns(now), now, utc);
    // Scrolled far down: the first rows lie above the clip and are skipped, the visible ones drawn.
    grouped.paint(painter, QRectF(0, -600, width, grouped.height(width)));
    painter.end();
    EXPECT_GT(image.pixelColor(20, 100).alpha(), 0);
}

}  // namespace
}  // namespace quorvel
