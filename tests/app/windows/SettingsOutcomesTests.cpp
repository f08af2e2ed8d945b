// What the settings window says after the user asks for something: each outcome under the
// control that asked, what was typed kept when the app refuses it, and every test push
// answered. Through the presenter over the app's own source, and through the window.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollArea>
#include <cstdlib>
#include <string>

#include "app/delivery/RelayKeyStore.hpp"
#include "app/windows/settings/EntryField.hpp"
#include "app/windows/settings/RelaySection.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsPresenter.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "tests/app/windows/SettingsWindowSupport.hpp"

namespace quorvel {
namespace {

using testing::press;
using testing::settle;
using testing::type;

constexpr const char* notAToken = "abc def 123 not a token";
constexpr const char* tokenRefused = "That doesn't look like a phone token: phone tokens are made only of the digits 0-9 and the letters a-f.";
constexpr const char* httpRefused = "Couldn't save the relay key: The relay address must start with https://.";

class SettingsOutcomesTest : public testing::SettingsViewFixture {
protected:
    /// Shows the whole column at once, laid out as the window lays it out.
    void showWholeColumn() {
        view->resize(SettingsView::width, view->scrollArea()->widget()->sizeHint().height());
        view->show();
        settle();
    }

    /// `widget`'s frame in the view's coordinates.
    QRect frameInView(const QWidget& widget) const {
        return {widget.mapTo(view.get(), QPoint(0, 0)), widget.size()};
    }

    /// The whole column as the window draws it, saved under QUORVEL_TEST_PICTURES when that
    /// names a folder, for looking at.
    void picture(const char* name) {
        const char* folder = std::getenv("QUORVEL_TEST_PICTURES");
        if (!folder || !*folder) return;
        EXPECT_TRUE(view->grab().save(QString::fromUtf8(folder) + "/" + name + ".png"));
    }
};

TEST_F(SettingsOutcomesTest, ThePresenterShowsEachOutcomeWhereItsControlIs) {
    model = &bed.make();
    SettingsPresenter presenter(bed.sources->settings());
    const SettingsSnapshot before = presenter.snapshot();

    presenter.setPhoneDeviceToken(notAToken);
    settle();
    EXPECT_EQ(presenter.snapshot().phoneDeviceToken, "");
    EXPECT_EQ(presenter.snapshot().phoneTokenReport, tokenRefused);
    presenter.setPhoneDeviceToken("a1b2c3");
    settle();
    EXPECT_EQ(presenter.snapshot().phoneDeviceToken, "a1b2c3");
    EXPECT_EQ(presenter.snapshot().phoneTokenReport, "");

    presenter.setRelay("http://relay.example/push", "s3cret");
    settle();
    EXPECT_EQ(presenter.snapshot().relayReport, httpRefused);
    EXPECT_EQ(presenter.snapshot().lastPushReport, before.lastPushReport);
    EXPECT_EQ(presenter.snapshot().pairingReport, before.pairingReport);
    presenter.setRelay("https://relay.example/push", "s3cret");
    settle();
    EXPECT_EQ(presenter.snapshot().relayReport, "Relay set. Send a test push to check it.");

    ASSERT_TRUE(presenter.snapshot().sendTestPushEnabled());
    presenter.sendTestPush();
    settle();
    EXPECT_EQ(testing::plainSpaces(presenter.snapshot().lastPushReport), "Sent done at 9:41 PM");
}

TEST_F(SettingsOutcomesTest, ARefusedPhoneTokenStaysInTheFieldWithItsLineUnderIt) {
    SettingsView& settings = open();
    EXPECT_TRUE(settings.tokenReport()->isHidden());
    type(*settings.tokenField(), notAToken);
    EXPECT_EQ(model->phone().phoneDeviceToken(), "abc ") << "the keystrokes that were a token so far";
    EXPECT_EQ(settings.tokenField()->text(), notAToken);
    EXPECT_FALSE(settings.tokenReport()->isHidden());
    EXPECT_EQ(settings.tokenReport()->text(), tokenRefused);

    // Between the token's row and the test push's row.
    showWholeColumn();
    const QRect report = frameInView(*settings.tokenReport());
    const QRect tokenRow = frameInView(*settings.row("Phone token"));
    const QRect pushRow = frameInView(*settings.key("SEND TEST PUSH")->parentWidget());
    EXPECT_GE(report.top(), tokenRow.bottom());
    EXPECT_LE(report.bottom(), pushRow.top());
    EXPECT_TRUE(settings.tokenReport()->isVisible());
    picture("settings-refused-phone-token");

    // A refused paste is put in the field too, so what was refused is in sight.
    settings.tokenField()->clear();
    QGuiApplication::clipboard()->setText("token: 0a1b");
    press(*settings.key("PASTE"));
    EXPECT_EQ(settings.tokenField()->text(), "token: 0a1b");
    EXPECT_EQ(settings.tokenReport()->text(), tokenRefused);
    QGuiApplication::clipboard()->setText("0a1b");
    press(*settings.key("PASTE"));
    EXPECT_EQ(model->phone().phoneDeviceToken(), "0a1b");
    EXPECT_TRUE(settings.tokenReport()->isHidden());
}

TEST_F(SettingsOutcomesTest, ARefusedRelayAddressIsSaidUnderSave) {
    SettingsView& settings = open();
    RelaySection* relay = settings.relaySection();
    type(*relay->urlField(), "http://relay.example/api/apns");
    type(*relay->keyField(), "s3cret");
    press(*relay->saveKey());
    ASSERT_EQ(relay->report()->text(), httpRefused);

    showWholeColumn();
    const QRect report = frameInView(*relay->report());
    const QRect saveRow = frameInView(*relay->saveKey()->parentWidget());
    const QRect section = frameInView(*relay);
    EXPECT_GE(report.top(), saveRow.bottom());
    EXPECT_LE(report.bottom(), section.bottom());
    EXPECT_GT(report.height(), 0);
    EXPECT_TRUE(relay->report()->isVisible());
    picture("settings-refused-relay-address");
}

}  // namespace
}  // namespace quorvel
