#include "app/windows/hosting/HostedWindow.hpp"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include "platform/qt/WindowFrameAutosave.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

class HostedWindowTest : public ::testing::Test {
protected:
    HostedWindow::Make counted(QSize size = QSize(300, 180)) {
        return [this, size] {
            ++made;
            auto view = std::make_unique<QLabel>("content");
            view->setFixedSize(size);
            return view;
        };
    }

    static QPoint centred(QSize size) {
        QRect frame(QPoint(), size);
        frame.moveCenter(QGuiApplication::primaryScreen()->availableGeometry().center());
        return frame.topLeft();
    }

    static void settle() {
        for (int round = 0; round < 5; ++round) QCoreApplication::processEvents();
    }

    TemporaryFolder folder;
    KeyValueStore defaults{folder / "defaults.json"};
    int made = 0;
};

TEST_F(HostedWindowTest, NothingIsMadeBeforeTheFirstShow) {
    HostedWindow hosted("Finished", "QuorvelFinished", counted(), defaults);
    hosted.hide();
    EXPECT_EQ(hosted.window(), nullptr);
    EXPECT_EQ(made, 0);
}

TEST_F(HostedWindowTest, FirstShowMakesAFixedSizeTitledWindowCentredOnTheScreen) {
    HostedWindow hosted("Quorvel settings", "QuorvelSettings", counted(QSize(300, 180)), defaults);
    hosted.show();
    QWidget* window = hosted.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Quorvel settings");
    EXPECT_EQ(window->size(), QSize(300, 180));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->pos(), centred(QSize(300, 180)));
}

TEST_F(HostedWindowTest, ClosingHidesAndTheNextShowBringsBackTheSameWindowInPlace) {
    HostedWindow hosted("Finished", "QuorvelFinished", counted(), defaults);
    hosted.show();
    QWidget* first = hosted.window();
    first->move(40, 50);
    ASSERT_TRUE(first->close());
    settle();
    EXPECT_FALSE(first->isVisible());

    hosted.show();
    EXPECT_EQ(hosted.window(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->pos(), QPoint(40, 50));
    EXPECT_EQ(made, 1);
}

TEST_F(HostedWindowTest, FrameIsRememberedUnderTheAutosaveNameForTheNextRun) {
    QSize frameSize;
    {
        HostedWindow hosted("Set up Quorvel", "QuorvelSetup", counted(), defaults);
        hosted.show();
        hosted.window()->move(120, 80);
        settle();
        frameSize = hosted.window()->frameGeometry().size();  // with the window's frame
        hosted.hide();
    }
    const auto saved = WindowFrameAutosave::savedFrame(defaults, "QuorvelSetup");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->topLeft(), QPoint(120, 80));
    EXPECT_EQ(saved->size(), frameSize);
    EXPECT_FALSE(WindowFrameAutosave::savedFrame(defaults, "QuorvelSettings"));

    // A new run: a new store on the same file and a new window.
    KeyValueStore reread(folder / "defaults.json");
    HostedWindow again("Set up Quorvel", "QuorvelSetup", counted(), reread);
    again.show();
    EXPECT_EQ(again.window()->pos(), QPoint(120, 80));
}

TEST_F(HostedWindowTest, AMoveIsSavedOnceTheWindowRests) {
    HostedWindow hosted("Finished", "QuorvelFinished", counted(), defaults);
    hosted.show();
    hosted.window()->move(10, 20);
    hosted.window()->move(30, 40);
    QElapsedTimer timer;
    timer.start();
    while (!WindowFrameAutosave::savedFrame(defaults, "QuorvelFinished") && timer.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    const auto saved = WindowFrameAutosave::savedFrame(defaults, "QuorvelFinished");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->topLeft(), QPoint(30, 40));
}

TEST_F(HostedWindowTest, AFrameThatCantBeUsedIsIgnoredAndTheWindowCentred) {
    const std::string key = WindowFrameAutosave::key("QuorvelSettings");
    EXPECT_EQ(key, "windowFrame QuorvelSettings");
    const std::vector<json::Json> unusable = {
        json::Json("120 80 300 180"),
        json::Json{{"x", 10}, {"y", 10}},
        json::Json{{"x", "10"}, {"y", 10}, {"width", 300}, {"height", 180}},
        json::Json{{"x", 10.5}, {"y", 10}, {"width", 300}, {"height", 180}},
        json::Json{{"x", 1e300}, {"y", 10}, {"width", 300}, {"height", 180}},
        json::Json{{"x", 10}, {"y", 10}, {"width", 0}, {"height", 180}},
        // On no screen there is.
        json::Json{{"x", 50000}, {"y", 50000}, {"width", 300}, {"height", 180}},
    };
    for (const json::Json& stored : unusable) {
        KeyValueStore store(folder / "frames.json");
        store.setJson(key, stored);
        HostedWindow hosted("Quorvel settings", "QuorvelSettings", counted(), store);
        hosted.show();
        EXPECT_EQ(hosted.window()->pos(), centred(QSize(300, 180))) << json::dump(stored);
    }
}

TEST_F(HostedWindowTest, AFlexibleViewOpensNoTallerThanTheScreenWithItsTopInReach) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Like the settings view: a minimum height, an ideal one taller than the screen, no maximum.
    HostedWindow hosted("Quorvel settings", "QuorvelSettings",
                        [&] {
                            auto view = std::make_unique<QLabel>("rows");
                            view->setFixedWidth(520);
                            view->setMinimumHeight(screen.height() / 2);
                            view->setMaximumHeight(QWIDGETSIZE_MAX);
                            view->setMinimumSize(520, screen.height() / 2);
                            return view;
                        },
                        defaults);
    hosted.show();
    QWidget* window = hosted.window();
    EXPECT_LE(window->height(), screen.height());
    EXPECT_EQ(window->minimumHeight(), screen.height() / 2);
    EXPECT_EQ(window->maximumHeight(), QWIDGETSIZE_MAX);
    EXPECT_TRUE(screen.contains(window->frameGeometry()));

    // Put partly off the right by the user: shown again, it stays there.
    window->close();
    window->move(screen.right() - 100, screen.top() + 10);
    hosted.show();
    EXPECT_EQ(window->pos(), QPoint(screen.right() - 100, screen.top() + 10));

    // Remembered off the bottom, no more than the inset left on the screen: shown again, it
    // lies inside the screen.
    window->close();
    window->move(screen.left() + 30, screen.bottom() - 30);
    hosted.show();
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
}

TEST_F(HostedWindowTest, AViewThatKeepsItsIdealHeightIsFollowedAsItChangesAndScrollsPastTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QLabel* text = nullptr;
    HostedWindow hosted("Set up Quorvel", "QuorvelSetup",
                        [&] {
                            auto view = std::make_unique<QWidget>();
                            view->setFixedWidth(400);
                            auto* column = new QVBoxLayout(view.get());
                            text = new QLabel("One line.");
                            text->setWordWrap(true);
                            column->addWidget(text);
                            return view;
                        },
                        defaults);
    hosted.show();
    QWidget* window = hosted.window();
    settle();
    const int oneLine = window->height();
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));

    // Ten lines: the window grows to show them all, and stays inside the screen.
    text->setText(QString("A line of words.\n").repeated(10).trimmed());
    settle();
    EXPECT_GT(window->height(), oneLine + 5 * text->fontMetrics().lineSpacing());
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
    EXPECT_EQ(window->minimumHeight(), window->maximumHeight());
    EXPECT_TRUE(screen.contains(window->frameGeometry()));

    // More than the screen holds: as high as the screen, the rest scrolled to.
    text->setText(QString("A line of words.\n").repeated(200).trimmed());
    settle();
    EXPECT_LE(window->frameGeometry().height(), screen.height());
    EXPECT_TRUE(screen.contains(window->frameGeometry()));
    EXPECT_GE(text->height(), text->heightForWidth(text->width())) << "the text is scrolled, not cut";
    auto* scroll = window->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
    EXPECT_GE(scroll->viewport()->width(), 400) << "the scroll bar takes no room from the view";

    // Back to one line: the window shrinks back.
    text->setText("One line.");
    settle();
    EXPECT_EQ(window->height(), oneLine);
}

TEST_F(HostedWindowTest, EscAndCtrlWCloseTheWindowAndTheMenuKeysReachTheMenu) {
    std::vector<MenuBarAction> commands;
    HostedWindow hosted("Finished", "QuorvelFinished", counted(), defaults,
                        [&](MenuBarAction action) { commands.push_back(action); });
    const auto press = [&](QKeyCombination keys) {
        QKeyEvent event(QEvent::KeyPress, keys.key(), keys.keyboardModifiers());
        QCoreApplication::sendEvent(hosted.window(), &event);
    };
    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W}) {
        hosted.show();
        ASSERT_TRUE(hosted.window()->isVisible());
        press(keys);
        EXPECT_FALSE(hosted.window()->isVisible());
    }
    hosted.show();
    press(Qt::CTRL | Qt::Key_Comma);
    press(Qt::CTRL | Qt::Key_Q);
    press(Qt::CTRL | Qt::Key_X);
    EXPECT_EQ(commands, (std::vector<MenuBarAction>{MenuBarAction::showSettings, MenuBarAction::quit}));
    EXPECT_TRUE(hosted.window()->isVisible());
}

}  // namespace
}  // namespace quorvel
