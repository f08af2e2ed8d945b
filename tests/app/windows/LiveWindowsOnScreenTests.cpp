// The live windows as a user reaches them other than by the keys: the context menu, what
// assistive tools see and what the screen shows of the finished window. Skipped unless the
// run is on X11 with an EWMH window manager (the app_windows_x11 test entry).
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "app/windows/finished/FinishedView.hpp"
#include "app/windows/hosting/HostedWindow.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "tests/app/windows/LiveWindowsTestbed.hpp"

namespace quorvel::testing {
namespace {

TEST_F(LiveWindowsTest, ARightClickOpensTheTraysOwnMenuWhoseItemsReachTheModel) {
    start();
    extra = std::make_unique<MenuBarExtra>(QStringLiteral("Quorvel"));
    controller = std::make_unique<MenuBarController>(testbed.sources->menu(), *testbed.windows, *extra, designSheet, testbed.clock);
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));

    const QPoint inside(20, 200);
    QContextMenuEvent click(QContextMenuEvent::Mouse, inside, device()->mapToGlobal(inside));
    QCoreApplication::sendEvent(device(), &click);
    ASSERT_EQ(menuOpenedAt, std::optional<QPoint>(device()->mapToGlobal(inside)));
    ASSERT_TRUE(waitUntil([&] { return extra->menu().isVisible(); }));

    std::vector<std::string> shown;
    for (QAction* action : extra->menu().actions()) {
        if (!action->isSeparator()) shown.push_back(action->text().toStdString());
    }
    std::vector<std::string> tray;
    for (const MenuItem& item : extra->items()) {
        if (item.kind != MenuItem::Kind::separator) tray.push_back(MenuBarExtra::menuText(item.title).toStdString());
    }
    EXPECT_EQ(shown, tray);

    for (QAction* action : extra->menu().actions()) {
        if (action->text() == QStringLiteral("Show compact strip")) action->trigger();
    }
    extra->menu().hide();
    EXPECT_TRUE(waitUntil([&] { return testbed.windows->stripVisible() && mapped(strip()); }));

    // The strip opens the same menu, and so does the keyboard's menu key on the device.
    menuOpenedAt.reset();
    QContextMenuEvent onStrip(QContextMenuEvent::Mouse, QPoint(300, 60), strip()->mapToGlobal(QPoint(300, 60)));
    QCoreApplication::sendEvent(strip(), &onStrip);
    EXPECT_EQ(menuOpenedAt, std::optional<QPoint>(strip()->mapToGlobal(QPoint(300, 60))));
    ASSERT_TRUE(waitUntil([&] { return extra->menu().isVisible(); }));
    extra->menu().hide();

    menuOpenedAt.reset();
    const QPoint middle = device()->rect().center();
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, middle, device()->mapToGlobal(middle));
    QCoreApplication::sendEvent(device(), &menuKey);
    EXPECT_EQ(menuOpenedAt, std::optional<QPoint>(device()->mapToGlobal(middle)));
    ASSERT_TRUE(waitUntil([&] { return extra->menu().isVisible(); }));
    extra->menu().hide();
}

TEST_F(LiveWindowsTest, AssistiveToolsSeeEveryPaintedControlWithItsLabelAndCanPressIt) {
    AppModel& model = start();
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(device());
    ASSERT_NE(face, nullptr);
    std::map<std::string, QAccessibleInterface*> byName;
    for (int index = 0; index < face->childCount(); ++index) {
        QAccessibleInterface* child = face->child(index);
        ASSERT_NE(child, nullptr);
        EXPECT_FALSE(child->rect().isEmpty());
        EXPECT_TRUE(device()->geometry().adjusted(-1, -1, 1, 1).contains(child->rect())) << child->text(QAccessible::Name).toStdString();
        byName[child->text(QAccessible::Name).toStdString()] = child;
    }
    for (const char* name : {"Compact strip", "Hide", "RUNNING, 0", "FINISHED, 0", "Volume", "CLAUDE", "SHELL",
                             "FAILS ONLY", "TEST THE ALARM", "SEEN IT", "nothing running. go start something."}) {
        EXPECT_EQ(byName.count(name), 1u) << name;
    }
    EXPECT_EQ(byName["Volume"]->role(), QAccessible::Slider);
    EXPECT_EQ(byName["Volume"]->text(QAccessible::Value), QStringLiteral("82 percent"));
    EXPECT_EQ(byName["CLAUDE"]->text(QAccessible::Value), QStringLiteral("on"));
    EXPECT_TRUE(byName["RUNNING, 0"]->state().selected);
    EXPECT_TRUE(byName["SEEN IT"]->state().disabled);

    byName["TEST THE ALARM"]->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(model.device().alarmTestStep(), std::optional<int>(0));
    byName["FAILS ONLY"]->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(model.device().controls().failsOnly);
    // The empty list's line is read, not pressed.
    EXPECT_TRUE(byName["nothing running. go start something."]->actionInterface()->actionNames().isEmpty());
}

TEST_F(LiveWindowsTest, AssistiveToolsReadTheFinishedRowsOnceTheirTabIsPicked) {
    AppModel& model = start();
    model.sessions().setFinished({failedBuild()});
    ASSERT_TRUE(waitUntil([&] { return mapped(device()); }));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(device());
    ASSERT_NE(face, nullptr);
    const auto named = [&](const std::function<bool(const QString&)>& wanted) -> QAccessibleInterface* {
        for (int index = 0; index < face->childCount(); ++index) {
            QAccessibleInterface* child = face->child(index);
            if (child != nullptr && wanted(child->text(QAccessible::Name))) return child;
        }
        return nullptr;
    };
    QAccessibleInterface* finishedTab = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        finishedTab = named([](const QString& name) { return name == QStringLiteral("FINISHED, 1"); });
        return finishedTab != nullptr;
    }));
    finishedTab->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(finishedTab->state().selected);

    QAccessibleInterface* row = named([](const QString& name) { return name.startsWith(QStringLiteral("pnpm build, BROKE")); });
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->role(), QAccessible::StaticText);
    EXPECT_TRUE(row->text(QAccessible::Name).contains(QStringLiteral("tessaloom")));
    EXPECT_TRUE(row->actionInterface()->actionNames().isEmpty()) << "finished rows take no taps";
    EXPECT_TRUE(device()->geometry().adjusted(-1, -1, 1, 1).contains(row->rect()));
}

// How much of `window` the screen shows as the window paints it, and how much of it shows the
// chassis colour the list and the footer lie on. The screen is read where the window lies, as
// a monitor shows it (`xwd -root` instead reads a window lying wholly inside another of the
// same visual and colour map through that other one, and so shows it black).
struct OnScreen {
    double asPainted = 0;
    double chassis = 0;
};

OnScreen onScreen(QWidget& window) {
    const QRect area = window.geometry();
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    const QImage painted = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.isNull() || shown.size() != painted.size()) return {};
    const auto alike = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
               std::abs(a.blue() - b.blue()) <= 8;
    };
    const QColor chassis = drawing::toQColor(Tokens::chassis);
    long asPainted = 0;
    long onChassis = 0;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            asPainted += alike(shown.pixelColor(x, y), painted.pixelColor(x, y)) ? 1 : 0;
            onChassis += alike(shown.pixelColor(x, y), chassis) ? 1 : 0;
        }
    }
    const double pixels = static_cast<double>(shown.width()) * shown.height();
    return {asPainted / pixels, onChassis / pixels};
}

TEST_F(LiveWindowsTest, TheFinishedWindowOverTheSetupWindowShowsItsListAndFooterOnTheScreen) {
    // A fresh home: the setup window comes up, and the finished window lies wholly inside it.
    AppModel& model = start();
    QWidget* setup = static_cast<HostedWindow&>(testbed.windows->setupWindow()).window();
    ASSERT_TRUE(waitUntil([&] { return mapped(setup); }));
    testbed.windows->showFinished();
    QWidget* window = static_cast<HostedWindow&>(testbed.windows->finishedWindow()).window();
    ASSERT_TRUE(waitUntil([&] { return mapped(window); }));
    ASSERT_TRUE(setup->geometry().contains(window->geometry()));
    auto* view = window->findChild<FinishedView*>();
    ASSERT_NE(view, nullptr);

    const auto expectShownAsPainted = [](QWidget& shown) {
        EXPECT_TRUE(waitUntil([&] { return onScreen(shown).asPainted > 0.99; }))
            << "shown as painted: " << onScreen(shown).asPainted;
        EXPECT_GT(onScreen(shown).chassis, 0.5);
    };
    // Empty, then with rows: each time the screen shows the list and the footer as painted.
    expectShownAsPainted(*window);
    EXPECT_EQ(view->caption().text(), QStringLiteral("0 entries, last 50 kept"));

    const FinishedRun failed = failedBuild();
    FinishedRun done = failed;
    done.chip = FinishedRun::Chip::claude;
    done.title = "refactor the parser";
    done.ok = true;
    done.duration = 310;
    done.sessionID = "s2";
    model.sessions().setFinished({failed, done});
    ASSERT_TRUE(waitUntil([&] { return view->caption().text() == QStringLiteral("2 entries, last 50 kept"); }));
    expectShownAsPainted(*window);
}

}  // namespace
}  // namespace quorvel::testing
