// Every text the windows, the menu and the alerts show names what this desktop really uses: no
// macOS, Dock, Cmd-Tab, System Settings, Keychain or "the Mac". The windows are walked widget
// by widget in the states that change their words; the menu and the alert and report texts are
// taken from where the app makes them.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <regex>

#include "app/delivery/APNsDelivery.hpp"
#include "app/delivery/KeychainError.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "app/desktop/Notifier.hpp"
#include "app/menu/MenuBarMenu.hpp"
#include "app/windows/finished/FinishedView.hpp"
#include "app/windows/settings/KeyRowWidget.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsSectionWidget.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "app/windows/setup/SetupView.hpp"
#include "kit/engine/Router.hpp"
#include "platform/services/InMemorySecretStore.hpp"
#include "tests/app/windows/SettingsWindowSupport.hpp"

namespace quorvel {
namespace {

using testing::AppWindowsTestbed;
using testing::settle;

/// The words that name a macOS facility, as whole words in any case.
const std::regex macWords(R"(\b(macos|dock|cmd-tab|system settings|keychain|the mac)\b)", std::regex::icase);

void addText(std::vector<std::string>& texts, const QString& text) {
    if (!text.isEmpty()) texts.push_back(text.toStdString());
}

/// What a window shows and says of itself, widget by widget, hidden parts included.
std::vector<std::string> textsOf(const QWidget& window) {
    std::vector<std::string> texts;
    std::vector<const QWidget*> widgets{&window};
    for (QWidget* child : window.findChildren<QWidget*>()) widgets.push_back(child);
    for (const QWidget* widget : widgets) {
        for (const QString& text : {widget->windowTitle(), widget->toolTip(), widget->accessibleName(),
                                    widget->accessibleDescription(), widget->statusTip(), widget->whatsThis()}) {
            addText(texts, text);
        }
        if (const auto* label = qobject_cast<const QLabel*>(widget)) addText(texts, label->text());
        if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) addText(texts, button->text());
        if (const auto* field = qobject_cast<const QLineEdit*>(widget)) addText(texts, field->placeholderText());
        if (const auto* row = qobject_cast<const SettingRowWidget*>(widget)) {
            texts.push_back(row->row().name);
            if (row->row().note) texts.push_back(*row->row().note);
        }
        if (const auto* note = qobject_cast<const SettingsNoteWidget*>(widget)) texts.push_back(note->text());
        if (const auto* section = qobject_cast<const SettingsSectionWidget*>(widget)) {
            texts.push_back(section->section().title);
        }
        if (const auto* keyRow = qobject_cast<const KeyRowWidget*>(widget)) {
            texts.insert(texts.end(), {keyRow->row().name, keyRow->row().line2, keyRow->row().keyLabel});
        }
    }
    return texts;
}

void collectMenu(std::vector<std::string>& texts, const std::vector<MenuItem>& items) {
    for (const MenuItem& item : items) {
        texts.push_back(item.title);
        collectMenu(texts, item.items);
    }
}

void expectLinuxWords(const std::vector<std::string>& texts, const char* where) {
    EXPECT_GT(texts.size(), 0u) << where;
    for (const std::string& text : texts) {
        EXPECT_FALSE(std::regex_search(text, macWords)) << where << ": \"" << text << "\"";
    }
}

TEST(DesktopWordsTest, TheWindowsSpeakOfThisDesktop) {
    testing::useProductFonts();
    AppWindowsTestbed bed;
    bed.recorded.bannersAllowed = false;
    bed.recorded.notificationSettingsAnswer =
        unexpected(NotificationCenter::SettingsUnavailable{"no program", std::string("dunst")});
    AppModel& model = bed.make();

    SettingsView settings(bed.sources->settings());
    SetupView setup(bed.sources->setup(), *bed.windows);
    FinishedView finished(bed.sources->finished(), bed.clock);
    std::vector<std::string> texts = textsOf(settings);
    const std::vector<std::string> firstTexts = texts;
    ASSERT_NE(std::find(firstTexts.begin(), firstTexts.end(), "Show in the taskbar"), firstTexts.end())
        << "the walk reaches the rows";

    // The states that change the words: banners off and their settings out of reach, always
    // send on, a pending keyring save, stored credentials.
    model.hooks().openNotificationSettings();
    AppSettings always = model.settings();
    always.alwaysPushToPhone = true;
    model.setSettings(always);
    ASSERT_TRUE(RelayKeyStore::save(bed.keychain->items(), {*WebUrl::parse("https://relay.example/push"), "k"}));
    model.phone().refreshKeys();
    settle();
    for (const auto& more : {textsOf(settings), textsOf(setup), textsOf(finished)}) {
        texts.insert(texts.end(), more.begin(), more.end());
    }
    expectLinuxWords(texts, "windows");
}

TEST(DesktopWordsTest, TheMenuSpeaksOfThisDesktop) {
    std::vector<std::string> texts;
    for (const bool banners : {true, false}) {
        MenuBarMenu::Snapshot snapshot;
        snapshot.bannersAllowed = banners;
        snapshot.serverProblem = "Couldn't start listening for Claude Code: Address in use";
        snapshot.hookStatus.kind = banners ? MenuBarMenu::HookStatus::Kind::installed
                                           : MenuBarMenu::HookStatus::Kind::problem;
        collectMenu(texts, MenuBarMenu::items(snapshot));
    }
    expectLinuxWords(texts, "menu");
}

TEST(DesktopWordsTest, AlertsAndReportsSpeakOfThisDesktop) {
    using APNsKeyStore::KeychainError;
    std::vector<std::string> texts;
    for (const std::int32_t status : {KeychainError::itemNotFound, KeychainError::invalidParameter,
                                      KeychainError::notAvailable, KeychainError::interactionNotAllowed,
                                      KeychainError::internalComponent, -128, -25299, -1}) {
        texts.push_back(KeychainError{status, std::nullopt, std::nullopt}.description());
    }
    InMemorySecretStore store;
    for (const auto& [url, key] : {std::pair{"http://relay.example", "k"}, std::pair{"https://relay.example", "a\nb"}}) {
        texts.push_back(RelayKeyStore::save(store, {*WebUrl::parse(url), key}).error().description());
    }
    for (const auto skip : {Router::Skip::atDesk, Router::Skip::muted, Router::Skip::kindNotPushed, Router::Skip::padOff,
                            Router::Skip::failsOnly, Router::Skip::rateLimited, Router::Skip::duplicate}) {
        texts.emplace_back(skipDescription(skip));
    }
    for (const auto& problem : {APNsDelivery::Problem::noKey(), APNsDelivery::Problem::noDeviceToken(),
                                APNsDelivery::Problem::tokenInvalid("BadDeviceToken")}) {
        texts.push_back(problem.description());
    }
    texts.push_back(Notifier::managedByServiceLine(std::string("dunst")));
    texts.push_back(Notifier::managedByServiceLine(std::nullopt));
    expectLinuxWords(texts, "alerts and reports");

    // The scan itself catches every word it is for.
    for (const char* mac : {"macOS may ask", "in the Dock", "Cmd-Tab", "System Settings", "your Keychain",
                            "at the Mac."}) {
        EXPECT_TRUE(std::regex_search(std::string(mac), macWords)) << mac;
    }
}

}  // namespace
}  // namespace quorvel
