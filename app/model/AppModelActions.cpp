// What the user starts from the menu, the device, the strip and the settings and setup
// windows: the keys and the relay, the hooks, the login item, the alarm test and the dismiss,
// the simulated states, and the snapshot the device draws.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "app/model/AppModel.hpp"
#include "kit/visuals/model/DeviceSamples.hpp"
#include "platform/ChildProcess.hpp"
#include "platform/FileDescriptors.hpp"
#include "platform/UnicodeText.hpp"

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

/// The chosen key file's text. Only a regular file of at most `keyFileLimit` bytes is read:
/// opened without waiting, so a FIFO or a device picked by mistake can't freeze the app.
Expected<std::string, files::FileError> readKeyFile(const std::string& path) {
    const int fd = files::openRetrying(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return files::fileFailure(errno, path);
    auto fail = [&](int code) {
        ::close(fd);
        return files::fileFailure(code, path);
    };
    struct stat status {};
    if (::fstat(fd, &status) != 0) return fail(errno);
    if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        return unexpected(files::FileError{EINVAL, path, "Not a key file (not a regular file): " + path});
    }
    if (status.st_size > static_cast<off_t>(keyFileLimit)) {
        ::close(fd);
        return unexpected(files::FileError{EFBIG, path, "Too large for a key file (over 64 KiB): " + path});
    }
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        if (count == 0) break;
        contents.append(buffer, static_cast<std::size_t>(count));
        // A file that grows while it is read is held to the same limit.
        if (contents.size() > keyFileLimit) {
            ::close(fd);
            return unexpected(files::FileError{EFBIG, path, "Too large for a key file (over 64 KiB): " + path});
        }
    }
    ::close(fd);
    return contents;
}

}  // namespace

// ---- the APNs key and the relay -------------------------------------------------------------

void AppModel::importAPNsKey(const std::string& keyID, const std::string& teamID) {
    // A key stored without its team could never sign a push, yet would count as set up.
    if (text::trimmingWhitespace(teamID).empty()) {
        const std::string description = "Type the Team ID first: a key without its team can't send a push.";
        logger_.error("APNs key import failed: " + description);
        showError(description);
        return;
    }
    const std::optional<std::string> chosen = services_.desktop->chooseFile("Choose the AuthKey .p8 file");
    if (!chosen || chosen->empty()) return;

    APNsKeyStore::Credentials credentials;
    credentials.keyID = keyIDFor(keyID, *chosen);
    credentials.teamID = text::trimmingWhitespace(teamID);

    auto failed = [this](const std::string& description) {
        logger_.error("APNs key import failed: " + description);
        showError(description);
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

void AppModel::setRelay(const std::string& url, const std::string& key) {
    std::optional<WebUrl> address = WebUrl::parse(text::trimmingWhitespaceAndNewlines(url));
    if (!address) {
        setPairingReport("That relay address doesn't look like a URL.");
        return;
    }
    const RelayKeyStore::Credentials credentials{*address, text::trimmingWhitespaceAndNewlines(key)};
    saveInKeyring("relay key", [this, keychain = services_.keychain, credentials]() -> std::function<void()> {
        auto saved = RelayKeyStore::save(*keychain, credentials);
        return [this, saved, url = credentials.url] {
            if (!saved) {
                setLastPushReport("Couldn't save the relay key: " + saved.error().description());
                return;
            }
            setRelayURL(url);
            setLastPushReport("Relay set. Send a test push to check it.");
        };
    });
}

void AppModel::removeRelay() {
    inKeyring([this, keychain = services_.keychain]() -> std::function<void()> {
        auto removed = RelayKeyStore::remove(*keychain);
        return [this, removed] {
            if (!removed) {
                setLastPushReport("Couldn't remove the relay key: " + removed.error().description());
                return;
            }
            setRelayURL(std::nullopt);
        };
    }, KeyringCall::change);
}

void AppModel::removeAPNsKey() {
    inKeyring([this, keychain = services_.keychain]() -> std::function<void()> {
        auto removed = APNsKeyStore::remove(*keychain);
        return [this, removed] {
            if (!removed) showError(removed.error().description());
            refreshKeys();
        };
    }, KeyringCall::change);
}

// ---- the device -----------------------------------------------------------------------------

void AppModel::bringTerminalForward(const std::optional<std::string>& sessionID) {
    std::optional<Session> session;
    if (sessionID) {
        if (auto found = machine_.sessions.find(*sessionID); found != machine_.sessions.end()) session = found->second;
    }
    if (!session) session = machine_.focusSession();
    if (!session) return;
    services_.terminalFinder->bringForward(session->termProgram, session->cwd);
}

void AppModel::startAlarmTest() {
    alarmTimer_.stop();
    showAlarmTestStep(0);
}

void AppModel::advanceAlarmTest() {
    const int next = alarmTestStep_.value_or(alarmTestStepCount - 1) + 1;
    if (next >= alarmTestStepCount) {
        alarmTimer_.stop();
        setAlarmTestStep(std::nullopt);
        return;
    }
    showAlarmTestStep(next);
}

void AppModel::showAlarmTestStep(int step) {
    const std::string_view name = DeviceSamples::names[static_cast<std::size_t>(step)];
    setAlarmTestStep(step);
    // The test always sounds: the mute switch is not asked (a fader at zero stays silent).
    const auto& sounds = DeviceSamples::sounds();
    if (auto sound = sounds.find(name); sound != sounds.end()) services_.sounds->play(sound->second, controls_.volume);
    alarmTimer_.start(static_cast<int>(std::lround(DeviceSamples::dwell(name) * 1000.0)));
}

void AppModel::playSound(Sound sound) { services_.sounds->play(sound, controls_.volume); }

void AppModel::dismiss() {
    services_.sounds->stop();
    if (alarmTestStep_) {
        alarmTimer_.stop();
        setAlarmTestStep(std::nullopt);
        return;
    }
    if (const std::optional<Session> focus = machine_.focusSession()) {
        mutateMachine([&](StateMachine& machine) { machine.dismiss(focus->id); });
    }
    setFloppyPutBack(true);
}

// ---- the menu -------------------------------------------------------------------------------

void AppModel::openNotificationSettings() {
    services_.notifier->openNotificationSettings([this](std::optional<std::string> line) {
        setNotificationSettingsNote(std::move(line));
    });
}

// ---- hooks, login item, recordings, simulations ---------------------------------------------

void AppModel::installHooks() { setHooks(false); }

void AppModel::installHooksRecording() { setHooks(true); }

void AppModel::setHooks(bool recording) {
    const auto installed = HookInstaller(services_.paths).installHooks(recording);
    finishHookChange(installed ? std::nullopt : std::optional<std::string>(installed.error().message()));
}

void AppModel::removeHooks() {
    const auto removed = HookInstaller(services_.paths).removeHooks();
    finishHookChange(removed ? std::nullopt : std::optional<std::string>(removed.error().message()));
}

void AppModel::finishHookChange(const std::optional<std::string>& failure) {
    if (failure) {
        logger_.error("Hook change failed: " + *failure);
        showError(*failure);
    }
    refreshHookStatus();
}

void AppModel::setLaunchAtLogin(bool enabled) {
    if (auto changed = services_.launchAtLogin->set(enabled); !changed) {
        logger_.error("Launch at login change failed: " + changed.error().message);
        showError(changed.error().message);
    }
    setLaunchAtLoginStatus(services_.launchAtLogin->status());
}

void AppModel::openRecordingsFolder() {
    const std::string captures = services_.paths.captures();
    // Asked to open even when it can't be made: the desktop says what is wrong with it.
    (void)files::createDirectories(captures);
    services_.desktop->openFolder(captures);
}

void AppModel::simulate(const std::string& state) {
    const std::string helper = services_.paths.helper();
    inBackground(*services_.processQueue, [this, helper, state]() -> std::function<void()> {
        // Whatever the helper does, its events come back through the event server.
        auto ran = runChildProcess(helper, {"--simulate", state});
        if (ran) return {};
        return [this, description = ran.error().message] { showError(description); };
    });
}

}  // namespace quorvel
