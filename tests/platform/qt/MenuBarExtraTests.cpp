#include "platform/qt/MenuBarExtra.hpp"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/qt/MenuBarIcons.hpp"
#include "tests/platform/qt/DesktopPeers.hpp"

namespace quorvel {
namespace {

class MenuBarExtraTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensureApplication();
        extra = std::make_unique<MenuBarExtra>("Quorvel");
        extra->onAction([this](const std::string& action, bool checked) { clicks.emplace_back(action, checked); });
    }

    // The menu as built, one line per action: "---", "[x] title", "[ ] title", "(off) title",
    // "title >" for a submenu.
    static std::vector<QString> lines(QMenu& menu) {
        std::vector<QString> found;
        for (QAction* action : menu.actions()) {
            if (action->isSeparator()) {
                found.push_back("---");
            } else if (action->menu() != nullptr) {
                found.push_back(action->text() + " >");
            } else if (!action->isEnabled()) {
                found.push_back("(off) " + action->text());
            } else if (action->isCheckable()) {
                found.push_back((action->isChecked() ? "[x] " : "[ ] ") + action->text());
            } else {
                found.push_back(action->text());
            }
        }
        return found;
    }

    QAction* find(QMenu& menu, const QString& text) {
        for (QAction* action : menu.actions()) {
            if (action->text() == text) return action;
        }
        return nullptr;
    }

    std::unique_ptr<MenuBarExtra> extra;
    std::vector<std::pair<std::string, bool>> clicks;
};

const std::vector<MenuItem> sample = {
    MenuItem::text("ALL QUIET. NO BABYSITTING."),
    MenuItem::separator(),
    MenuItem::toggle("Show device", "showDevice", true),
    MenuItem::toggle("Mute", "mute", false),
    MenuItem::button("Settings\u2026", "showSettings", "Ctrl+,"),
    MenuItem::submenu("Test", {MenuItem::button("Simulate Done", "simulateDone"), MenuItem::separator(),
                               MenuItem::button("Design sheet\u2026", "designSheet")}),
    MenuItem::button("Quit Quorvel", "quit", "Ctrl+Q"),
};

TEST_F(MenuBarExtraTest, BuildsTheMenuFromItsItems) {
    extra->setItems(sample);
    EXPECT_EQ(lines(extra->menu()), (std::vector<QString>{"(off) ALL QUIET. NO BABYSITTING.", "---", "[x] Show device",
                                                          "[ ] Mute", "Settings\u2026", "Test >", "Quit Quorvel"}));
    EXPECT_EQ(find(extra->menu(), "Quit Quorvel")->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_EQ(find(extra->menu(), "Settings\u2026")->shortcut(), QKeySequence("Ctrl+,"));
    QMenu* test = find(extra->menu(), "Test")->menu();
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(lines(*test), (std::vector<QString>{"Simulate Done", "---", "Design sheet\u2026"}));
}

TEST_F(MenuBarExtraTest, TextsAreShownLiterally) {
    EXPECT_EQ(MenuBarExtra::menuText("R&D \u00B7 fix\tit\nnow"), "R&&D \u00B7 fix it now");
    extra->setItems({MenuItem::text("TERMINAL \u00B7 DONE. GO LOOK. \u00B7 Q&A\tpass")});
    // "&&" is how a menu shows one "&"; the tab would have started the shortcut column.
    EXPECT_EQ(extra->menu().actions().front()->text(), "TERMINAL \u00B7 DONE. GO LOOK. \u00B7 Q&&A pass");
}

TEST_F(MenuBarExtraTest, ClicksSendTheActionAndASwitchsNewValue) {
    extra->setItems(sample);
    find(extra->menu(), "Show device")->trigger();
    find(extra->menu(), "Mute")->trigger();
    find(*find(extra->menu(), "Test")->menu(), "Simulate Done")->trigger();
    testing::runEvents(20);
    EXPECT_EQ(clicks, (std::vector<std::pair<std::string, bool>>{
                          {"showDevice", false}, {"mute", true}, {"simulateDone", false}}));
    // Until the model answers with new items, a switch keeps showing the model's value.
    EXPECT_TRUE(find(extra->menu(), "Show device")->isChecked());
    EXPECT_FALSE(find(extra->menu(), "Mute")->isChecked());
}

TEST_F(MenuBarExtraTest, AHandlerMayRebuildTheMenuFromTheClick) {
    extra->setItems(sample);
    extra->onAction([this](const std::string& action, bool checked) {
        clicks.emplace_back(action, checked);
        extra->setItems({MenuItem::toggle("Mute", "mute", checked)});
    });
    find(extra->menu(), "Mute")->trigger();
    testing::runEvents(20);
    EXPECT_EQ(lines(extra->menu()), (std::vector<QString>{"[x] Mute"}));
}

TEST_F(MenuBarExtraTest, RebuildsOnlyWhenTheItemsChange) {
    extra->setItems(sample);
    QAction* quit = find(extra->menu(), "Quit Quorvel");
    extra->setItems(sample);
    EXPECT_EQ(find(extra->menu(), "Quit Quorvel"), quit);

    for (int round = 0; round < 3; ++round) {
        std::vector<MenuItem> changed = sample;
        changed[3].checked = round % 2 == 0;
        extra->setItems(changed);
        testing::runEvents(10);
    }
    EXPECT_TRUE(find(extra->menu(), "Mute")->isChecked());
    // The old submenus went with their menus.
    EXPECT_EQ(extra->menu().findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 1);
}

TEST_F(MenuBarExtraTest, AnOpenMenuIsRebuiltOnceItCloses) {
    extra->setItems(sample);
    extra->menu().popup(QPoint(10, 10));
    ASSERT_TRUE(testing::waitUntil([&] { return extra->menu().isVisible(); }, 2000));
    extra->setItems({MenuItem::text("changed")});
    EXPECT_EQ(lines(extra->menu()).size(), sample.size());
    extra->menu().hide();
    ASSERT_TRUE(testing::waitUntil([&] { return lines(extra->menu()).size() == 1; }, 2000));
    EXPECT_EQ(lines(extra->menu()), (std::vector<QString>{"(off) changed"}));
}

TEST_F(MenuBarExtraTest, OpeningTheMenuAsksForFreshItemsFirst) {
    int asked = 0;
    extra->onAboutToShow([&] {
        ++asked;
        extra->setItems({MenuItem::text("fresh")});
    });
    extra->setItems(sample);
    extra->menu().popup(QPoint(10, 10));
    ASSERT_TRUE(testing::waitUntil([&] { return extra->menu().isVisible(); }, 2000));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(lines(extra->menu()), (std::vector<QString>{"(off) fresh"}));
    extra->menu().hide();
}

TEST(MenuBarIcons, EverySymbolHasADrawingOfItsOwn) {
    testing::ensureApplication();
    std::vector<QImage> drawings;
    for (const QString& symbol : MenuBarIcons::symbols()) {
        const QIcon icon = MenuBarIcons::icon(symbol.toStdString());
        ASSERT_FALSE(icon.isNull()) << symbol.toStdString();
        for (const int size : {16, 22, 64}) {
            const QImage image = icon.pixmap(size, size).toImage();
            EXPECT_EQ(image.size(), QSize(size, size));
            bool drawn = false;
            for (int y = 0; y < size && !drawn; ++y) {
                for (int x = 0; x < size && !drawn; ++x) drawn = qAlpha(image.pixel(x, y)) > 0;
            }
            EXPECT_TRUE(drawn) << symbol.toStdString() << " at " << size;
        }
        drawings.push_back(icon.pixmap(64, 64).toImage());
    }
    for (std::size_t first = 0; first < drawings.size(); ++first) {
        for (std::size_t second = first + 1; second < drawings.size(); ++second) {
            EXPECT_NE(drawings[first], drawings[second]) << first << " and " << second;
        }
    }
    EXPECT_EQ(MenuBarIcons::icon("no.such.symbol").pixmap(64, 64).toImage(), drawings.front());
}

}  // namespace
}  // namespace quorvel
