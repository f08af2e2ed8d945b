#pragma once
// Driving the settings and setup views like a user: keys pressed, text typed, the stored
// defaults read back.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <memory>
#include <string>

#include "app/settings/AppSettings.hpp"
#include "app/windows/settings/KeyButton.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "tests/app/windows/AppWindowsTestbed.hpp"

namespace quorvel::testing {

/// The product's fonts, so sizes and wrapping are those of the app.
inline void useProductFonts() { Fonts::registerOnce(QUORVEL_RESOURCE_DIR "/fonts"); }

/// Types `text` into `field` key by key, as the keyboard would.
inline void type(QLineEdit& field, const QString& text) {
    field.setFocus();
    for (const QChar character : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&field, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&field, &release);
    }
}

/// Presses `key` the way a click does; a disabled key ignores it.
inline void press(QAbstractButton& key) {
    key.click();
    settle();
}

/// The settings document as the model wrote it to the defaults file.
inline AppSettings storedSettings(const AppWindowsTestbed& bed) {
    const KeyValueStore reread(bed.home / ".config/quorvel/defaults.json");
    return AppSettings::load(reread);
}

/// The settings view over the test bed's model, in the product's fonts, at its ideal size.
class SettingsViewFixture : public ::testing::Test {
protected:
    void SetUp() override { useProductFonts(); }

    /// The view over a model made now, unless the test made one already (for putting
    /// credentials in its keyring first).
    SettingsView& open() {
        if (!model) model = &bed.make();
        view = std::make_unique<SettingsView>(bed.sources->settings());
        view->resize(view->sizeHint());
        settle();
        return *view;
    }

    AppWindowsTestbed bed;
    AppModel* model = nullptr;
    std::unique_ptr<SettingsView> view;
};

}  // namespace quorvel::testing
