// The settings keys are real buttons: Space presses them, they are read out by their legend,
// a disabled one ignores presses, and the ON/OFF key shows only what it is told.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "app/windows/settings/KeyButton.hpp"
#include "app/windows/settings/StepperControl.hpp"
#include "app/windows/settings/ToggleKeyButton.hpp"
#include "tests/app/windows/SettingsWindowSupport.hpp"

namespace quorvel {
namespace {

void pressSpace(QWidget& widget) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&widget, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&widget, &up);
}

TEST(KeyButtonTests, SpacePressesAKeyReadOutByItsLegend) {
    testing::useProductFonts();
    KeyButton key(QStringLiteral("CHECK NOW"), SmallKeyStyle::Style::panel);
    int presses = 0;
    QObject::connect(&key, &QAbstractButton::clicked, [&] { ++presses; });
    EXPECT_EQ(key.accessibleName(), "CHECK NOW");
    EXPECT_EQ(key.focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(key.sizeHint().height(), 40);
    pressSpace(key);
    EXPECT_EQ(presses, 1);

    key.setEnabled(false);
    key.click();
    pressSpace(key);
    EXPECT_EQ(presses, 1);

    key.setLegend(QStringLiteral("TURN OFF"));
    EXPECT_EQ(key.accessibleName(), "TURN OFF");
}

TEST(KeyButtonTests, TheToggleShowsWhatItIsToldAndReportsClicks) {
    ToggleKeyButton toggle;
    std::vector<bool> clicked;
    QObject::connect(&toggle, &QAbstractButton::clicked, [&](bool on) { clicked.push_back(on); });
    toggle.setOn(true);
    EXPECT_TRUE(toggle.isChecked());
    EXPECT_EQ(toggle.accessibleDescription(), "on");
    EXPECT_EQ(toggle.accessibleName(), "ON") << "read out by its legend, like every key";
    EXPECT_TRUE(clicked.empty()) << "being told is no click";
    pressSpace(toggle);
    EXPECT_EQ(clicked, std::vector<bool>{false});
    EXPECT_EQ(toggle.accessibleDescription(), "off");
    EXPECT_EQ(toggle.accessibleName(), "OFF");
}

TEST(KeyButtonTests, AStepperAsksForTheSteppedValueAndDisablesKeysAtTheBounds) {
    testing::useProductFonts();
    StepperControl stepper(0, 10, 3, plainNumber);
    std::vector<std::int64_t> asked;
    QObject::connect(&stepper, &StepperControl::stepped, [&](std::int64_t value) { asked.push_back(value); });
    stepper.setValue(9);
    stepper.plusKey()->click();
    EXPECT_EQ(asked, std::vector<std::int64_t>{10});
    EXPECT_EQ(stepper.value(), 9) << "the shown value waits for the model";
    stepper.setValue(10);
    EXPECT_FALSE(stepper.plusKey()->isEnabled());
    stepper.plusKey()->click();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(stepper.accessibleName(), "10");
    EXPECT_EQ(stepper.minusKey()->accessibleName(), QString::fromUtf8("\u2212"));
}

}  // namespace
}  // namespace quorvel
