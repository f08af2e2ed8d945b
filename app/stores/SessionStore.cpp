#include "app/stores/SessionStore.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <exception>
#include <filesystem>
#include <utility>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "kit/engine/Quorvel.hpp"
#include "platform/files/Files.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/files/SymbolicLink.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel {

namespace {

bool isDisplayNumber(std::int64_t number) { return number >= 1 && number <= SessionStore::maxNumber; }

}  // namespace

SessionStore::Saved SessionStore::Saved::decode(const json::Json& value, std::vector<std::string>* dropped) {
    const auto drop = [dropped](std::string reason) {
        if (dropped) dropped->push_back(std::move(reason));
    };
    const json::Json& object = json::requireObject(value, "saved sessions");
    Saved saved;
    saved.savedAt = json::requireReferenceDate(object, "savedAt");
    const std::int64_t nextNumber = json::requireInt(object, "nextNumber");
    if (isDisplayNumber(nextNumber)) saved.nextNumber = nextNumber;
    else drop("the counter " + std::to_string(nextNumber) + " is out of range");
    const json::Json& sessions = json::requireArray(object, "sessions");
    saved.sessions.reserve(sessions.size());
    for (const json::Json& element : sessions) {
        try {
            Session session = Session::decode(element);
            if (!isDisplayNumber(session.number)) {
                drop("session " + session.id + " has the number " + std::to_string(session.number) +
                     ", out of range");
                continue;
            }
            saved.sessions.push_back(std::move(session));
        } catch (const std::exception& error) {
            drop(std::string("a session couldn't be read: ") + error.what());
        }
    }
    if (const json::Json* ids = json::optionalMember(object, "handledEventIDs"); ids && ids->is_array()) {
        // Only the newest fit in the memory of handled events anyway.
        const std::size_t skipped = ids->size() > RecentEventIDs::defaultCapacity
                                        ? ids->size() - RecentEventIDs::defaultCapacity
                                        : 0;
        std::size_t index = 0;
        for (const json::Json& id : *ids) {
            if (index++ < skipped) continue;
            if (id.is_string() && !id.get_ref<const std::string&>().empty() &&
                id.get_ref<const std::string&>().size() <= maxEventIDBytes) {
                saved.handledEventIDs.push_back(id.get<std::string>());
            } else {
                drop("an event identity isn't a short string");
            }
        }
    } else if (ids && !ids->is_null()) {
        drop("the event identities are not a list");
    }
    return saved;
}

json::Json SessionStore::Saved::encode() const {
    json::Json object = json::Json::object();
    object["savedAt"] = json::referenceDate(savedAt);
    object["nextNumber"] = nextNumber;
    json::Json list = json::Json::array();
    for (const Session& session : sessions) list.push_back(session.encode());
    object["sessions"] = std::move(list);
    json::Json ids = json::Json::array();
    for (const std::string& id : handledEventIDs) ids.push_back(json::string(id));
    object["handledEventIDs"] = std::move(ids);
    return object;
}

SessionStore::SessionStore(std::string folder)
    : folder_(std::move(folder)), logger_(Quorvel::macBundleID, "Sessions") {}

std::optional<SessionStore::Saved> SessionStore::load(Instant now, double maxAgeSeconds, std::size_t maxSessions) {
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
    std::vector<std::string> dropped;
    try {
        saved = Saved::decode(json::parse(contents->bytes), &dropped);
    } catch (const std::exception& error) {
        logger_.error(std::string("Ignoring the saved sessions in progress: ") + error.what());
        return std::nullopt;
    }
#if defined(__GLIBC__)
    // The parse of a large file peaks at many times its size; without this the freed pages
    // would stay the app's for the whole run.
    if (contents->bytes.size() > largeFileBytes) ::malloc_trim(0);
#endif
    if (!dropped.empty()) {
        logger_.error("Left out " + std::to_string(dropped.size()) + " damaged parts of the saved sessions in progress; " +
                      "kept the others: " + dropped.front());
    }
    const double age = now.secondsSince(saved.savedAt);
    // Not a number, or older than a session may stay silent: every run in it has gone stale.
    // The identities still count: the events they name may still wait in the spool.
    if (!(age < maxAgeSeconds)) {
        const std::string minutes = std::isfinite(age) ? std::to_string(std::llround(age / 60)) : std::string("?");
        logger_.notice("Ignoring the sessions in progress saved " + minutes + " minutes ago: they have gone stale");
        saved.sessions.clear();
        saved.nextNumber = 1;
        return saved;
    }
    std::erase_if(saved.sessions, [&](const Session& session) {
        return !(now.secondsSince(session.lastEventAt) < maxAgeSeconds);
    });
    // No more than the table holds: a crowded file (by hand, or from another build) must not
    // cost the start, the memory and every later tick what the table itself never would.
    if (saved.sessions.size() > maxSessions) {
        const std::size_t found = saved.sessions.size();
        std::nth_element(saved.sessions.begin(), saved.sessions.begin() + static_cast<std::ptrdiff_t>(maxSessions),
                         saved.sessions.end(), Session::moreRecentlyActive);
        saved.sessions.resize(maxSessions);
        logger_.notice("Took back the " + std::to_string(maxSessions) + " most recently active of " +
                       std::to_string(found) + " saved sessions in progress; the others are left out");
    }
    return saved;
}

std::string SessionStore::fittedToReadLimit(const StateMachine& machine, json::Json document, std::size_t emptyBytes) {
    std::vector<const Session*> byRecency;
    byRecency.reserve(machine.sessions.size());
    for (const auto& entry : machine.sessions) byRecency.push_back(&entry.second);
    std::sort(byRecency.begin(), byRecency.end(),
              [](const Session* a, const Session* b) { return Session::moreRecentlyActive(*a, *b); });
    json::Json& list = document["sessions"];
    std::size_t room = maxFileBytes > emptyBytes ? maxFileBytes - emptyBytes : 0;
    std::size_t leftOut = 0;
    for (const Session* session : byRecency) {
        json::Json encoded;
        try {
            encoded = session->encode();
        } catch (const json::JsonEncodeError&) {
            continue;
        }
        // The separating comma included.
        const std::size_t size = json::dump(encoded).size() + 1;
        if (size > room) {
            ++leftOut;
            continue;
        }
        room -= size;
        list.push_back(std::move(encoded));
    }
    logger_.error("Left the " + std::to_string(leftOut) + " least recently active of " +
                  std::to_string(machine.sessions.size()) +
                  " sessions in progress out of their save: all of them would make a file too large to read back");
    return json::dump(document);
}

bool SessionStore::save(const StateMachine& machine, const RecentEventIDs& handledEvents, Instant now) {
    if (auto created = files::createDirectories(folder_); !created) return failed(created.error().message, now);
    if (files::isSymbolicLink(folder_)) return failed(files::fileErrorFromErrno(ELOOP, folder_).message, now);
    std::string bytes;
    try {
        const std::deque<std::string>& handled = handledEvents.oldestFirst();
        json::Json document = Saved{now, machine.nextNumber, {}, {handled.begin(), handled.end()}}.encode();
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
        if (bytes.size() > maxFileBytes) {
            list = json::Json::array();
            bytes = json::dump(document);
            bytes = fittedToReadLimit(machine, std::move(document), bytes.size());
        }
    } catch (const std::exception& error) {
        return failed(error.what(), now);
    }
    const std::string path = files::joinPath(folder_, fileName);
    if (auto written = files::writeFileAtomically(path, bytes, 0600); !written) {
        // Named by the file rather than by the temporary, whose name differs every time: the
        // same failure tried again reads the same.
        return failed(files::fileErrorFromErrno(written.error().code, path).message, now);
    }
    saveFailures_.succeeded();
    return true;
}

bool SessionStore::failed(const std::string& problem, Instant now) {
    saveFailures_.failed("Couldn't save the sessions in progress: " + problem, now);
    return false;
}

}  // namespace quorvel
