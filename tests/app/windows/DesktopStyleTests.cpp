// The one dark style of the desktop windows: made of the colour tokens only, worn by the
// settings, finished and design-sheet windows alike, and the finished window's divider and
// buttons in the panel colour rather than a near miss of it.
#include "app/windows/hosting/DesktopStyle.hpp"

#include <gtest/gtest.h>

#include <QFrame>
#include <QImage>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>
#include <set>

#include "app/windows/design/DesignSheetScene.hpp"
#include "app/windows/finished/FinishedView.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"
#include "tests/support/QtEventLoop.hpp"

namespace quorvel {
namespace {

QRgb rgb(const Color& token) { return drawing::toQColor(token).rgba(); }

constexpr QPalette::ColorRole styledRoles[] = {
    QPalette::Window, QPalette::Base,          QPalette::AlternateBase,   QPalette::Button,
    QPalette::WindowText, QPalette::Text,      QPalette::ButtonText,      QPalette::PlaceholderText,
    QPalette::Highlight,  QPalette::HighlightedText, QPalette::Link,     QPalette::ToolTipBase,
    QPalette::ToolTipText,
};
constexpr QPalette::ColorGroup groups[] = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};

// Whether `widget` resolves every styled role to what the one style gives.
void expectWearsTheStyle(const QWidget& widget, const char* which) {
    const QPalette style = DesktopStyle::palette();
    for (const QPalette::ColorGroup group : groups) {
        for (const QPalette::ColorRole role : styledRoles) {
            EXPECT_EQ(widget.palette().color(group, role), style.color(group, role))
                << which << ", group " << group << ", role " << role;
        }
    }
}

TEST(DesktopStyle, EveryColourIsATokenAndDisabledTextGoesDim) {
    const std::set<QRgb> tokens{rgb(Tokens::chassis), rgb(Tokens::screen), rgb(Tokens::inset), rgb(Tokens::panel),
                                rgb(Tokens::mascotWhite), rgb(Tokens::dim), rgb(Tokens::acid), rgb(Tokens::ink)};
    const QPalette style = DesktopStyle::palette();
    for (const QPalette::ColorGroup group : groups) {
        for (const QPalette::ColorRole role : styledRoles) {
            EXPECT_TRUE(tokens.count(style.color(group, role).rgba())) << "group " << group << ", role " << role;
        }
    }
    EXPECT_EQ(style.color(QPalette::Active, QPalette::Window).rgba(), rgb(Tokens::chassis));
    EXPECT_EQ(style.color(QPalette::Active, QPalette::Button).rgba(), rgb(Tokens::panel));
    EXPECT_EQ(style.color(QPalette::Active, QPalette::ButtonText).rgba(), rgb(Tokens::mascotWhite));
    EXPECT_EQ(style.color(QPalette::Disabled, QPalette::ButtonText).rgba(), rgb(Tokens::dim));
    EXPECT_EQ(style.color(QPalette::Disabled, QPalette::WindowText).rgba(), rgb(Tokens::dim));
}

TEST(DesktopStyle, EveryDarkDesktopWindowWearsIt) {
    testing::AppWindowsTestbed bed;
    bed.make();
    SettingsView settings(bed.sources->settings());
    expectWearsTheStyle(settings, "settings");

    FinishedView finished(bed.sources->finished(), bed.clock);
    expectWearsTheStyle(finished, "finished");
    expectWearsTheStyle(finished.clearButton(), "finished Clear");
    const auto dividers = finished.findChildren<QFrame*>();
    const auto divider = std::find_if(dividers.begin(), dividers.end(),
                                      [](const QFrame* frame) { return frame->frameShape() == QFrame::HLine; });
    ASSERT_NE(divider, dividers.end());
    EXPECT_TRUE((*divider)->styleSheet().isEmpty());
    EXPECT_EQ((*divider)->palette().color(QPalette::WindowText).rgba(), rgb(Tokens::panel));
    const QImage picture = finished.grab().toImage();
    const QPoint onTheLine = (*divider)->geometry().center();
    EXPECT_EQ(picture.pixelColor(onTheLine).rgba(), rgb(Tokens::panel));

    DesignSheetScene sheet;
    sheet.open();
    ASSERT_NE(sheet.window(), nullptr);
    expectWearsTheStyle(*sheet.window(), "design sheet");
    ASSERT_NE(sheet.window()->widget(), nullptr);
    expectWearsTheStyle(*sheet.window()->widget(), "design sheet's sheet");
}

}  // namespace
}  // namespace quorvel
