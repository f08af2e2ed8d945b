#include "app/stores/FinishedStore.hpp"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <utility>

#include "kit/engine/Quorvel.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/BoundedJson.hpp"
#include "platform/files/DamagedFileAside.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/files/SymbolicLink.hpp"

namespace quorvel {
namespace {

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found &&
           !error;
}

// Every row that decodes; the rows that don't are counted in `dropped`, the first one's reason
// kept in `problem`. A document that isn't an array of rows throws.
std::vector<FinishedRun> decodeRuns(const std::string& text, std::size_t& dropped, std::string& problem) {
    const json::Json document = json::parseBounded(text, FinishedStore::maxFileValues);
    if (!document.is_array()) throw json::JsonDecodeError("the finished list is not a JSON array");
    std::vector<FinishedRun> runs;
    runs.reserve(document.size());
    for (const json::Json& element : document) {
        try {
            runs.push_back(FinishedRun::decode(element));
        } catch (const std::exception& error) {
            if (dropped++ == 0) problem = error.what();
        }
    }
    return runs;
}

}  // namespace

FinishedStore::FinishedStore(std::string folder)
    : folder_(std::move(folder)), logger_(Quorvel::macBundleID, "Finished") {}

std::vector<FinishedRun> FinishedStore::load() {
    const std::string current = files::joinPath(folder_, fileName);
    const bool currentExists = exists(current);
    const std::string chosen = currentExists ? current : files::joinPath(folder_, legacyFileName);
    if (!currentExists && !exists(chosen)) return {};

    std::string problem;
    const auto contents = files::readOwnFile(chosen, maxFileBytes);
    if (contents) {
        try {
            std::size_t dropped = 0;
            std::vector<FinishedRun> runs = decodeRuns(contents->bytes, dropped, problem);
            if (dropped == 0) return runs;
            logger_.error("Couldn't read " + std::to_string(dropped) + " of " + std::to_string(dropped + runs.size()) +
                          " rows of the finished list; kept the others: " + problem);
            keepUnreadableFile_ = currentExists;
            return runs;
        } catch (const std::exception& error) {
            problem = error.what();
        }
    } else {
        problem = contents.error().message;
    }
    logger_.error("Couldn't read the finished list: " + problem);
    keepUnreadableFile_ = currentExists;
    return {};
}

bool FinishedStore::save(const std::vector<FinishedRun>& runs) {
    if (auto created = files::createDirectories(folder_); !created) {
        logger_.error("Couldn't save the finished list: " + created.error().message);
        return false;
    }
    // A folder of our own replaced by a link: whoever placed it chooses where writes land.
    if (files::isSymbolicLink(folder_)) {
        logger_.error("Couldn't save the finished list: " + files::fileErrorFromErrno(ELOOP, folder_).message);
        return false;
    }

    const std::string current = files::joinPath(folder_, fileName);
    if (keepUnreadableFile_) {
        keepUnreadableFile_ = false;
        if (const auto aside = files::moveDamagedFileAside(current)) {
            logger_.notice("Moved the damaged finished list aside to " + *aside);
        } else if (aside.error().code != ENOENT) {
            logger_.error("Couldn't move the damaged finished list aside: " + aside.error().message);
        }
    }

    // What is written must read back: rows that would take the file past the read limit are
    // left out, the oldest (last) first. Events are bounded, so only rows made otherwise can.
    std::string bytes = "[";
    std::size_t written = 0;
    try {
        for (const FinishedRun& run : runs) {
            const std::string row = json::dump(run.encode());
            if (bytes.size() + row.size() + 2 > maxFileBytes) break;
            if (written++ > 0) bytes += ',';
            bytes += row;
        }
    } catch (const std::exception& error) {
        logger_.error(std::string("Couldn't save the finished list: ") + error.what());
        return false;
    }
    bytes += ']';
    if (written < runs.size()) {
        logger_.error("The finished list would be too large to read back; left out its " +
                      std::to_string(runs.size() - written) + " oldest runs");
    }
    if (auto written = files::writeFileAtomically(current, bytes); !written) {
        logger_.error("Couldn't save the finished list: " + written.error().message);
        return false;
    }
    return true;
}

}  // namespace quorvel
