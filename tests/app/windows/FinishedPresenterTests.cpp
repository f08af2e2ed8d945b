#include "app/windows/finished/FinishedPresenter.hpp"

#include <gtest/gtest.h>

#include "app/windows/finished/FinishedListWidget.hpp"
#include "app/windows/finished/FinishedView.hpp"
#include "platform/files/Files.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QPushButton>

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::settle;

FinishedRun run(const std::string& title, std::optional<std::string> log = std::nullopt, double at = 1000) {
    FinishedRun made;
    made.chip = FinishedRun::Chip::shell;
    made.title = title;
    made.ok = !log.has_value();
    made.sessionID = "s1";
    made.finishedAt = Instant::fromReferenceSeconds(at);
    made.log = std::move(log);
    return made;
}

TEST(FinishedPresenterFollowTest, TheOpenLogStaysWithItsRun) {
    const std::vector<FinishedRun> before{run("c", "log c"), run("b", "log b"), run("a", "log a")};
    // A new run on top shifts it down.
    EXPECT_EQ(FinishedPresenter::follow(before, 1, {run("d"), run("c", "log c"), run("b", "log b"), run("a", "log a")}),
              std::optional<std::size_t>(2));
    // The cap drops the oldest: the open run moves down and the last one falls off.
    const std::vector<FinishedRun> capped{run("e"), run("d"), run("c", "log c")};
    EXPECT_EQ(FinishedPresenter::follow(before, 0, capped), std::optional<std::size_t>(2));
    EXPECT_EQ(FinishedPresenter::follow(before, 1, capped), std::nullopt);
    // Cleared: gone.
    EXPECT_EQ(FinishedPresenter::follow(before, 0, {}), std::nullopt);
    // Equal runs stay apart: the second of two equal runs is still the second.
    const std::vector<FinishedRun> twins{run("x", "same"), run("x", "same")};
    EXPECT_EQ(FinishedPresenter::follow(twins, 1, {run("y"), run("x", "same"), run("x", "same")}),
              std::optional<std::size_t>(2));
    // A list rebuilt in another order: found by its value.
    EXPECT_EQ(FinishedPresenter::follow(before, 2, {run("a", "log a"), run("z")}), std::optional<std::size_t>(0));
}

class FinishedPresenterTest : public ::testing::Test {
protected:
    void SetUp() override { testbed.make(); }

    void addRun(FinishedRun made) {
        std::vector<FinishedRun> runs = testbed.model->sessions().finished();
        runs.insert(runs.begin(), std::move(made));
        testbed.model->sessions().setFinished(std::move(runs));
    }

    AppWindowsTestbed testbed;
};

TEST_F(FinishedPresenterTest, TogglingALogOpensClosesAndMovesIt) {
    testbed.model->sessions().setFinished({run("b", "log b"), run("a", "log a")});
    FinishedPresenter presenter(testbed.sources->finished(), testbed.clock);
    EXPECT_EQ(presenter.logFor(0), std::nullopt);
    presenter.toggleLog(0);
    EXPECT_EQ(presenter.logFor(0), std::optional<std::string>("log b"));
    EXPECT_EQ(presenter.logFor(1), std::nullopt);
    presenter.toggleLog(1);
    EXPECT_EQ(presenter.openLog(), std::optional<std::size_t>(1));
    presenter.toggleLog(1);
    EXPECT_EQ(presenter.openLog(), std::nullopt);
    presenter.toggleLog(7);  // no such row
    EXPECT_EQ(presenter.openLog(), std::nullopt);
}

TEST_F(FinishedPresenterTest, ANewRunOnTopKeepsTheOpenLogOnItsRunAndClearClosesIt) {
    testbed.model->sessions().setFinished({run("b", "log b"), run("a", "log a")});
    FinishedPresenter presenter(testbed.sources->finished(), testbed.clock);
    presenter.toggleLog(1);
    addRun(run("c"));
    EXPECT_EQ(presenter.openLog(), std::optional<std::size_t>(2));
    EXPECT_EQ(presenter.logFor(2), std::optional<std::string>("log a"));
    presenter.clear();
    EXPECT_EQ(presenter.openLog(), std::nullopt);
    // Rows that come later open no log by themselves.
    addRun(run("d", "log d"));
    EXPECT_EQ(presenter.logFor(0), std::nullopt);
}

TEST_F(FinishedPresenterTest, RowsAreWrittenForTheTimeTheWindowShowsOrTheListChanges) {
    FinishedPresenter presenter(testbed.sources->finished(), testbed.clock);
    const Instant opened = presenter.now();
    testbed.clock->current = opened.adding(86400);  // past midnight
    EXPECT_EQ(presenter.now(), opened);
    presenter.windowShown();
    EXPECT_EQ(presenter.now(), opened.adding(86400));
    testbed.clock->current = opened.adding(2 * 86400);
    addRun(run("e"));
    EXPECT_EQ(presenter.now(), opened.adding(2 * 86400));
}

TEST_F(FinishedPresenterTest, ClearEmptiesTheWindowAndSavesAnEmptyList) {
    testbed.model->sessions().setFinished({run("b", "log b"), run("a")});
    testbed.model->sessions().saveFinished();
    FinishedView view(testbed.sources->finished(), testbed.clock);
    EXPECT_EQ(view.caption().text().toStdString(), "2 entries, last 50 kept");
    EXPECT_TRUE(view.clearButton().isEnabled());
    EXPECT_EQ(view.size(), QSize(520, 420));

    view.clearButton().click();
    settle();
    EXPECT_TRUE(testbed.model->sessions().finished().empty());
    EXPECT_EQ(view.caption().text().toStdString(), "0 entries, last 50 kept");
    EXPECT_FALSE(view.clearButton().isEnabled());
    const auto saved = files::readFile(testbed.home / "Library/Application Support/Quorvel/finished.json");
    ASSERT_TRUE(saved);
    EXPECT_EQ(json::parse(*saved), json::Json::array());
}

TEST_F(FinishedPresenterTest, ALongUnbrokenLogNeverWidensTheWindow) {
    testbed.model->sessions().setFinished({run("npm test", std::string(5000, 'x'))});
    FinishedView view(testbed.sources->finished(), testbed.clock);
    view.presenter().toggleLog(0);
    const int listWidth = view.list().width();
    EXPECT_LE(listWidth, FinishedView::width);
    EXPECT_EQ(view.size(), QSize(520, 420));
    // The open log panel adds at most its 180 points under the row.
    view.presenter().toggleLog(0);
    const int closedHeight = view.list().height();
    view.presenter().toggleLog(0);
    EXPECT_GT(view.list().height(), closedHeight);
    EXPECT_LE(view.list().height(), closedHeight + 180 + 6 + 1);
}

TEST_F(FinishedPresenterTest, TheOpenLogsTextCanBeSelectedAndCopied) {
    testbed.model->sessions().setFinished({run("make", "error: no rule to make target\nStop."), run("ls")});
    FinishedView view(testbed.sources->finished(), testbed.clock);
    view.show();
    EXPECT_FALSE(view.list().logText().isVisible());
    view.presenter().toggleLog(0);
    ASSERT_TRUE(view.list().logText().isVisible());
    EXPECT_EQ(view.list().logText().toPlainText().toStdString(), "error: no rule to make target\nStop.");
    EXPECT_TRUE(view.list().logText().isReadOnly());
    view.presenter().toggleLog(0);
    EXPECT_FALSE(view.list().logText().isVisible());
}

TEST_F(FinishedPresenterTest, AssistiveToolsReadEachRowAndOpenItsLogAsAClickWould) {
    testbed.model->sessions().setFinished({run("make", "error: no rule to make target"), run("ls")});
    FinishedView view(testbed.sources->finished(), testbed.clock);
    view.show();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&view.list());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::List);
    ASSERT_GE(list->childCount(), 2);
    QAccessibleInterface* make = list->child(0);
    QAccessibleInterface* ls = list->child(1);
    ASSERT_TRUE(make && ls);
    EXPECT_TRUE(make->text(QAccessible::Name).startsWith(QStringLiteral("make, BROKE"))) << make->text(QAccessible::Name).toStdString();
    EXPECT_EQ(make->role(), QAccessible::Button);
    EXPECT_TRUE(make->state().checkable);
    EXPECT_FALSE(make->state().checked);
    EXPECT_EQ(list->indexOfChild(ls), 1);
    // A run without a log opens nothing: it is read, not pressed.
    EXPECT_TRUE(ls->text(QAccessible::Name).startsWith(QStringLiteral("ls")));
    EXPECT_EQ(ls->role(), QAccessible::StaticText);
    EXPECT_TRUE(ls->actionInterface()->actionNames().isEmpty());

    make->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(view.presenter().openLog(), std::optional<std::size_t>(0));
    EXPECT_TRUE(make->state().checked);
    EXPECT_TRUE(view.list().logText().isVisible());
    // The log's selectable text stays reachable after the painted rows.
    bool logTextFound = false;
    for (int index = 2; index < list->childCount(); ++index) {
        QAccessibleInterface* holder = list->child(index);
        for (int inner = 0; holder != nullptr && inner < holder->childCount(); ++inner) {
            if (holder->child(inner)->object() == &view.list().logText()) logTextFound = true;
        }
    }
    EXPECT_TRUE(logTextFound);

    view.clearButton().click();
    settle();
    ASSERT_GE(list->childCount(), 1);
    EXPECT_EQ(list->child(0)->text(QAccessible::Name).toStdString(), "NOTHING PLAYED YET. RUN SOMETHING.");
    EXPECT_EQ(list->child(0)->role(), QAccessible::StaticText);
}

}  // namespace
}  // namespace quorvel
