#pragma once
// The settings window over the app model's testbed, with what its tests do beside typing and
// pressing: press a stepper to its bound, put credentials in the keyring before the view
// reads them, and read the stored key back.
#include <functional>
#include <optional>

#include "app/delivery/APNsKeyStore.hpp"
#include "tests/app/windows/SettingsWindowSupport.hpp"

namespace quorvel::testing {

class SettingsViewTest : public SettingsViewFixture {
protected:
    /// Presses `key` until it turns itself off; how many presses that took.
    static int pressUntilDisabled(KeyButton& key) {
        int presses = 0;
        while (key.isEnabled() && presses < 1000) {
            press(key);
            ++presses;
        }
        return presses;
    }

    /// Makes the model, lets `store` fill its keyring, and reads the keys back.
    void storeFirst(const std::function<void(SecretStore&)>& store) {
        model = &bed.make();
        store(bed.keychain->items());
        model->phone().refreshKeys();
        settle();
    }

    std::optional<APNsKeyStore::Credentials> storedKey() {
        auto loaded = APNsKeyStore::load(bed.keychain->items());
        if (!loaded || !*loaded) return std::nullopt;
        return **loaded;
    }
};

}  // namespace quorvel::testing
