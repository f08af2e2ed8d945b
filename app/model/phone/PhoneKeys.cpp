// What the user starts from the settings window for the phone's pushes: the APNs key and the
// relay, stored in the login keyring.
#include <cerrno>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "app/model/phone/PhonePart.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::string_view authKeyPrefix = "AuthKey_";

/// The key ID as typed, else the one in a key file's name ("AuthKey_ABC123DEFG.p8").
std::string keyIDFor(const std::string& typed, const std::string& chosenPath) {
    std::string keyID = text::trimmingWhitespace(typed);
    if (!keyID.empty()) return keyID;
    const std::string name = files::fileName(chosenPath);
    if (name.rfind(authKeyPrefix, 0) != 0) return keyID;
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    // A name like "AuthKey_.p8" leaves nothing.
    return stem.size() > authKeyPrefix.size() ? stem.substr(authKeyPrefix.size()) : std::string();
}

/// A .p8 key is a few hundred bytes; anything this large is not one.
constexpr std::size_t keyFileLimit = 64 * 1024;

/// The chosen key file's text. Only a regular file of at most `keyFileLimit` bytes is read,
/// through a link when the user picked one: a FIFO or a device picked by mistake is not even
/// opened, so it can't freeze the app.
Expected<std::string, files::FileError> readKeyFile(const std::string& path) {
    auto read = files::readOwnFile(path, keyFileLimit, files::FinalLink::follow);
    if (read) return std::move(read->bytes);
    switch (read.error().code) {
        case EINVAL:
            return unexpected(files::FileError{EINVAL, path, "Not a key file (not a regular file): " + path});
        case EFBIG:
            return unexpected(files::FileError{EFBIG, path, "Too large for a key file (over 64 KiB): " + path});
        default: return unexpected(read.error());
    }
}

}  // namespace

// ---- the APNs key and the relay -------------------------------------------------------------

void PhonePart::importAPNsKey(const std::string& keyID, const std::string& teamID) {
    // A key stored without its team could never sign a push, yet would count as set up.
    if (text::trimmingWhitespace(teamID).empty()) {
        const std::string description = "Type the Team ID first: a key without its team can't send a push.";
        logger_.error("APNs key import failed: " + description);
        hops_.showError(description);
        return;
    }
    const std::optional<std::string> chosen = services_.desktop->chooseFile("Choose the AuthKey .p8 file");
    if (!chosen || chosen->empty()) return;

    APNsKeyStore::Credentials credentials;
    credentials.keyID = keyIDFor(keyID, *chosen);
    credentials.teamID = text::trimmingWhitespace(teamID);

    auto failed = [this](const std::string& description) {
        logger_.error("APNs key import failed: " + description);
        hops_.showError(description);
        refreshKeys();
    };
    const auto pem = readKeyFile(*chosen);
    if (!pem) return failed(pem.error().message);
    if (!text::isValidUtf8(*pem)) return failed("The file isn't UTF-8 text: " + *chosen);
    credentials.pem = *pem;

    saveInKeyring("APNs key " + credentials.keyID,
                  [this, keychain = services_.keychain, credentials, failed]() -> std::function<void()> {
                      auto saved = APNsKeyStore::save(*keychain, credentials);
                      return [this, saved, keyID = credentials.keyID, failed] {
                          if (!saved) return failed(APNsKeyStore::describe(saved.error()));
                          logger_.info("APNs key " + keyID + " imported into the login keyring");
                          refreshKeys();
                      };
                  });
}

void PhonePart::setRelay(const std::string& url, const std::string& key) {
    // The line beside the keys speaks of this save only; the keyring's pending line stands
    // in until it answers.
    setRelayReport({});
    std::optional<WebUrl> address = WebUrl::parse(text::trimmingWhitespaceAndNewlines(url));
    if (!address) {
        setRelayReport("That relay address doesn't look like a URL.");
        return;
    }
    const RelayKeyStore::Credentials credentials{*address, text::trimmingWhitespaceAndNewlines(key)};
    saveInKeyring("relay key", [this, keychain = services_.keychain, credentials]() -> std::function<void()> {
        auto saved = RelayKeyStore::save(*keychain, credentials);
        return [this, saved, url = credentials.url] {
            if (!saved) {
                setRelayReport("Couldn't save the relay key: " + saved.error().description());
                return;
            }
            setRelayURL(url);
            setRelayReport("Relay set. Send a test push to check it.");
        };
    });
}

void PhonePart::removeRelay() {
    inKeyring([this, keychain = services_.keychain]() -> std::function<void()> {
        auto removed = RelayKeyStore::remove(*keychain);
        return [this, removed] {
            if (!removed) {
                setRelayReport("Couldn't remove the relay key: " + removed.error().description());
                return;
            }
            setRelayURL(std::nullopt);
            setRelayReport({});
        };
    }, KeyringCall::change);
}

void PhonePart::removeAPNsKey() {
    inKeyring([this, keychain = services_.keychain]() -> std::function<void()> {
        auto removed = APNsKeyStore::remove(*keychain);
        return [this, removed] {
            if (!removed) hops_.showError(removed.error().description());
            refreshKeys();
        };
    }, KeyringCall::change);
}

}  // namespace quorvel
