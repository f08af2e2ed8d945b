// The settings window's push sections driven through their real widgets, offscreen: the test
// push, the token field, and the relay and key sections call the model with what was typed.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <string>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "app/windows/settings/APNsKeySection.hpp"
#include "app/windows/settings/EntryField.hpp"
#include "app/windows/settings/RelaySection.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "platform/threads/DetachableWorkQueue.hpp"
#include "tests/app/model/StuckSecretStore.hpp"
#include "tests/app/windows/SettingsViewTest.hpp"
#include "tests/support/P256KeyFile.hpp"
#include "tests/support/QtEventLoop.hpp"

namespace quorvel::testing {
namespace {

TEST_F(SettingsViewTest, TheTestPushNeedsATokenAndAKeyAndEndsInItsReport) {
    SettingsView& settings = open();
    KeyButton* send = settings.key("SEND TEST PUSH");
    EXPECT_FALSE(send->isEnabled());
    press(*send);
    settle();
    EXPECT_TRUE(bed.recorded.pushes.empty());
    EXPECT_EQ(model->phone().lastPushReport(), "No push sent yet");

    type(*settings.tokenField(), "ABC123");
    EXPECT_FALSE(send->isEnabled()) << "a token without a relay or a key";
    ASSERT_TRUE(RelayKeyStore::save(bed.keychain->items(), {*WebUrl::parse("https://relay.example/push"), "k"}));
    model->phone().refreshKeys();
    settle();
    ASSERT_TRUE(send->isEnabled());
    press(*send);
    settle();
    ASSERT_EQ(bed.recorded.pushes.size(), 1u);
    EXPECT_EQ(bed.recorded.pushes[0].title, "DONE. GO LOOK.");
    EXPECT_EQ(bed.recorded.pushes[0].body, "Test push from the computer");
    // As the push row's name.
    EXPECT_EQ(plainSpaces(send->parentWidget()->accessibleName().toStdString()), "Sent done at 9:41 PM");

    // The token taken away: the key goes off again.
    model->phone().enterPhoneDeviceToken("");
    settle();
    EXPECT_FALSE(send->isEnabled());
}

TEST_F(SettingsViewTest, TheTokenFieldStoresEachKeystrokeAndKeepsItsCursor) {
    SettingsView& settings = open();
    EntryField* token = settings.tokenField();
    type(*token, "ab12");
    EXPECT_EQ(model->phone().phoneDeviceToken(), "ab12");
    EXPECT_EQ(bed.defaults->stringValue("phoneDeviceToken"), "ab12");
    token->setCursorPosition(1);
    model->phone().setPhoneDeviceToken("ab12");
    settle();
    EXPECT_EQ(token->cursorPosition(), 1) << "an equal value is not written back";
    model->phone().setPhoneDeviceToken("from the phone");
    settle();
    EXPECT_EQ(token->text(), "from the phone");
}

TEST_F(SettingsViewTest, PasteTakesOnlyTextFromTheClipboard) {
    SettingsView& settings = open();
    QClipboard* clipboard = QGuiApplication::clipboard();
    auto* picture = new QMimeData;
    picture->setData("image/png", QByteArray("\x89PNG", 4));
    clipboard->setMimeData(picture);
    press(*settings.key("PASTE"));
    EXPECT_EQ(model->phone().phoneDeviceToken(), "");

    clipboard->setText("  F00D  ");
    press(*settings.key("PASTE"));
    EXPECT_EQ(model->phone().phoneDeviceToken(), "  F00D  ") << "stored as it was copied";
    EXPECT_EQ(settings.tokenField()->text(), "  F00D  ");
}

TEST_F(SettingsViewTest, TheRelayFormSavesWhatWasTypedAndTheSummaryRemovesIt) {
    SettingsView& settings = open();
    RelaySection* relay = settings.relaySection();
    EXPECT_FALSE(relay->showsSummary());
    EXPECT_FALSE(relay->saveKey()->isEnabled());
    type(*relay->urlField(), " https://relay.example/api/apns ");
    EXPECT_FALSE(relay->saveKey()->isEnabled()) << "the key is still empty";
    type(*relay->keyField(), "s3cret");
    EXPECT_EQ(relay->keyField()->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(relay->keyField()->inputMethodHints() & Qt::ImhSensitiveData);
    ASSERT_TRUE(relay->saveKey()->isEnabled());
    press(*relay->saveKey());

    ASSERT_TRUE(model->phone().relayURL());
    EXPECT_EQ(model->phone().relayURL()->absoluteString(), "https://relay.example/api/apns") << "trimmed by the model";
    EXPECT_EQ(relay->report()->text(), "Relay set. Send a test push to check it.");
    EXPECT_TRUE(relay->showsSummary());
    EXPECT_EQ(relay->keyField()->text(), "") << "a stored relay takes the key out of the form";
    EXPECT_EQ(relay->urlField()->text(), " https://relay.example/api/apns ");
    EXPECT_EQ(settings.row("Sending through the relay"), nullptr) << "rows of the sections are their own";

    press(*relay->removeKey());
    EXPECT_FALSE(model->phone().relayURL());
    EXPECT_FALSE(relay->showsSummary());
    auto stored = RelayKeyStore::load(bed.keychain->items());
    ASSERT_TRUE(stored);
    EXPECT_FALSE(*stored) << "REMOVE cleared the stored relay";
}

TEST_F(SettingsViewTest, AnHttpRelayIsRefusedUnderSaveAndTheFormKeepsWhatWasTyped) {
    SettingsView& settings = open();
    RelaySection* relay = settings.relaySection();
    EXPECT_TRUE(relay->report()->isHidden());
    const std::string pairing = model->phone().pairingReport();
    type(*relay->urlField(), "http://relay.example/push");
    type(*relay->keyField(), "s3cret");
    press(*relay->saveKey());
    EXPECT_FALSE(model->phone().relayURL());
    EXPECT_FALSE(relay->showsSummary());
    EXPECT_FALSE(relay->report()->isHidden());
    EXPECT_EQ(relay->report()->text(), "Couldn't save the relay key: The relay address must start with https://.");
    EXPECT_EQ(relay->urlField()->text(), "http://relay.example/push");
    EXPECT_EQ(relay->keyField()->text(), "s3cret") << "a refused save keeps the key for the next try";
    EXPECT_TRUE(relay->saveKey()->isEnabled());
    // Nothing of it lands in the PHONE rows at the top.
    EXPECT_EQ(model->phone().lastPushReport(), "No push sent yet");
    EXPECT_EQ(model->phone().pairingReport(), pairing);

    // Mended and saved again: the key leaves the form with the relay stored.
    relay->urlField()->clear();
    type(*relay->urlField(), "https://relay.example/push");
    press(*relay->saveKey());
    ASSERT_TRUE(model->phone().relayURL());
    EXPECT_EQ(relay->keyField()->text(), "");
    EXPECT_EQ(relay->report()->text(), "Relay set. Send a test push to check it.");
    EXPECT_FALSE(relay->report()->isHidden()) << "under the summary";
}

TEST_F(SettingsViewTest, ASaveTheKeyringHasntAnsweredShowsItsPendingLine) {
    auto store = std::make_shared<testing::StuckSecretStore>();
    bed.adjust = [&](AppServices& services) {
        services.keychain = store;
        services.keychainQueue = std::make_shared<DetachableWorkQueue>();
    };
    SettingsView& settings = open();
    RelaySection* relay = settings.relaySection();
    EXPECT_TRUE(relay->keyringNote()->isHidden());
    type(*relay->urlField(), "https://relay.example/push");
    type(*relay->keyField(), "s3cret");
    press(*relay->saveKey());
    ASSERT_TRUE(store->awaitSave());
    settle();
    EXPECT_FALSE(relay->keyringNote()->isHidden());
    EXPECT_EQ(relay->keyringNote()->text(), "Saving to the login keyring\u2026");
    EXPECT_FALSE(settings.keySection()->keyringNote()->isHidden()) << "an import would wait behind it";

    store->release();
    ASSERT_TRUE(testing::waitUntil([&] { return !model->phone().savingToKeyring(); }));
    settle();
    EXPECT_TRUE(relay->showsSummary());
    EXPECT_TRUE(relay->keyringNote()->isHidden());
}

TEST_F(SettingsViewTest, TheKeySectionImportsWithTheTypedIDsAndRemoveClearsTheKeychain) {
    const std::string pem = testing::makeP256Pem();
    const std::string file = bed.home / "AuthKey_ABC123.p8";
    ASSERT_TRUE(files::writeFileAtomically(file, pem));
    bed.recorded.chosenFile = file;
    SettingsView& settings = open();
    APNsKeySection* key = settings.keySection();
    EXPECT_EQ(key->teamIDField()->text(), "");
    type(*key->teamIDField(), "TEAM42");
    press(*key->importKey());

    ASSERT_TRUE(storedKey());
    EXPECT_EQ(storedKey()->keyID, "ABC123");
    EXPECT_EQ(storedKey()->teamID, "TEAM42");
    EXPECT_TRUE(key->showsSummary());
    EXPECT_EQ(key->storedRow()->row().note, "ID ABC123");

    press(*key->removeKey());
    EXPECT_FALSE(storedKey());
    EXPECT_FALSE(model->phone().apnsKeyID());
    EXPECT_FALSE(key->showsSummary());
    EXPECT_EQ(key->teamIDField()->text(), "TEAM42") << "typed texts outlive the face switch";
}

TEST_F(SettingsViewTest, AKeyRemovalThatFailsIsShownAndTheSummaryStays) {
    storeFirst([](SecretStore& items) { ASSERT_TRUE(APNsKeyStore::save(items, {"OLD", "TEAM", testing::makeP256Pem()})); });
    SettingsView& settings = open();
    ASSERT_TRUE(settings.keySection()->showsSummary());
    bed.recorded.keychainFailures[APNsKeyStore::service()] = "locked";
    press(*settings.keySection()->removeKey());
    EXPECT_EQ(bed.recorded.errorAlerts.size(), 1u);
    bed.recorded.keychainFailures.clear();
    EXPECT_TRUE(storedKey()) << "the item is still there";
    model->phone().refreshKeys();
    settle();
    EXPECT_TRUE(settings.keySection()->showsSummary());
}

TEST_F(SettingsViewTest, BothSummariesShowWhenARelayAndAKeyAreStored) {
    storeFirst([](SecretStore& items) {
        ASSERT_TRUE(APNsKeyStore::save(items, {"", "TEAM", testing::makeP256Pem()}));
        ASSERT_TRUE(RelayKeyStore::save(items, {*WebUrl::parse("https://relay.example/push"), "k"}));
    });
    SettingsView& settings = open();
    EXPECT_TRUE(settings.relaySection()->showsSummary());
    EXPECT_TRUE(settings.keySection()->showsSummary());
    EXPECT_EQ(settings.keySection()->storedRow()->row().note, "ID ") << "an empty key ID shows as nothing after ID";
}

}  // namespace
}  // namespace quorvel::testing
