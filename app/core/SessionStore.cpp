#include "app/core/SessionStore.hpp"

#include <cerrno>
#include <cmath>
#include <exception>
#include <filesystem>
#include <utility>

#include "kit/engine/Quorvel.hpp"
#include "platform/Files.hpp"
#include "platform/JsonCoding.hpp"
#include "platform/OwnFileRead.hpp"
#include "platform/SymbolicLink.hpp"

namespace quorvel {

SessionStore::Saved SessionStore::Saved::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "saved sessions");
    Saved saved;
    saved.savedAt = json::requireReferenceDate(object, "savedAt");
    saved.nextNumber = json::requireInt(object, "nextNumber");
    const json::Json& sessions = json::requireArray(object, "sessions");
    saved.sessions.reserve(sessions.size());
    for (const json::Json& session : sessions) saved.sessions.push_back(Session::decode(session));
    return saved;
}

json::Json SessionStore::Saved::encode() const {
    json::Json object = json::Json::object();
    object["savedAt"] = json::referenceDate(savedAt);
    object["nextNumber"] = nextNumber;
    json::Json list = json::Json::array();
    for (const Session& session : sessions) list.push_back(session.encode());
    object["sessions"] = std::move(list);
    return object;
}

SessionStore::SessionStore(std::string folder)
    : folder_(std::move(folder)), logger_(Quorvel::macBundleID, "Sessions") {}

std::optional<SessionStore::Saved> SessionStore::load(Instant now, double maxAgeSeconds) {
    const std::string path = files::joinPath(folder_, fileName);
    std::error_code missing;
    if (std::filesystem::symlink_status(path, missing).type() == std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    const auto contents = files::readOwnFile(path, maxFileBytes);
    if (!contents) {
        logger_.error("Ignoring the saved sessions in progress: " + contents.error().message);
        return std::nullopt;
    }
    Saved saved;
    try {
        saved = Saved::decode(json::parse(contents->bytes));
    } catch (const std::exception& error) {
        logger_.error(std::string("Ignoring the saved sessions in progress: ") + error.what());
        return std::nullopt;
    }
    const double age = now.secondsSince(saved.savedAt);
    // Not a number, or older than a session may stay silent: every run in it has gone stale.
    if (!(age < maxAgeSeconds)) {
        const std::string minutes = std::isfinite(age) ? std::to_string(std::llround(age / 60)) : std::string("?");
        logger_.notice("Ignoring the sessions in progress saved " + minutes + " minutes ago: they have gone stale");
        return std::nullopt;
    }
    std::erase_if(saved.sessions, [&](const Session& session) {
        return !(now.secondsSince(session.lastEventAt) < maxAgeSeconds);
    });
    return saved;
}

bool SessionStore::save(const StateMachine& machine, Instant now) {
    if (auto created = files::createDirectories(folder_); !created) {
        logger_.error("Couldn't save the sessions in progress: " + created.error().message);
        return false;
    }
    if (files::isSymbolicLink(folder_)) {
        logger_.error("Couldn't save the sessions in progress: " + files::fileErrorFromErrno(ELOOP, folder_).message);
        return false;
    }
    std::string bytes;
    try {
        json::Json document = Saved{now, machine.nextNumber, {}}.encode();
        json::Json& list = document["sessions"];
        for (const auto& entry : machine.sessions) {
            // One session with a time that JSON can't hold (a corrupt receive time) is left
            // out; the others are still kept.
            try {
                list.push_back(entry.second.encode());
            } catch (const json::JsonEncodeError&) {
            }
        }
        bytes = json::dump(document);
    } catch (const std::exception& error) {
        logger_.error(std::string("Couldn't save the sessions in progress: ") + error.what());
        return false;
    }
    if (auto written = files::writeFileAtomically(files::joinPath(folder_, fileName), bytes, 0600); !written) {
        logger_.error("Couldn't save the sessions in progress: " + written.error().message);
        return false;
    }
    return true;
}

}  // namespace quorvel
